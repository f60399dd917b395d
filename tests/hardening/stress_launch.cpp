#include "stress_launch.h"

#include <algorithm>

NamedEvent::NamedEvent(const char *role)
    : name_(UniqueObjectName(role)), event_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str())) {}

NamedEvent::~NamedEvent() {
  if (event_) CloseHandle(event_);
}

StressClient::StressClient(const std::string &arguments)
    : arguments_(arguments), ready_("zvstress-ready") {
  process_ = std::make_unique<ChildProcess>(
      ProgramCommand("zvstress.exe") + " " + arguments + " --ready-event " + ready_.name(), true);
}

bool StressClient::waitReady(DWORD milliseconds) {
  if (!process_->started()) return false;
  HANDLE waits[] = {ready_.handle(), process_->handle()};
  return WaitForMultipleObjects(2, waits, FALSE, milliseconds) == WAIT_OBJECT_0;
}

bool StressClient::running() const {
  return process_->started() && WaitForSingleObject(process_->handle(), 0) == WAIT_TIMEOUT;
}

bool StressClient::finish(DWORD milliseconds) {
  const bool ended = process_->wait(milliseconds);
  if (!ended) process_->kill();
  reported_ = ParseStressReport(process_->output(), &counts_);
  return ended;
}

StressCounts SumCounts(const StressCounts &a, const StressCounts &b) {
  StressCounts sum;
  sum.requests = a.requests + b.requests;
  sum.served = a.served + b.served;
  sum.noImage = a.noImage + b.noImage;
  sum.wrong = a.wrong + b.wrong;
  sum.errors = a.errors + b.errors;
  sum.longestMs = std::max(a.longestMs, b.longestMs);
  sum.overBound = a.overBound + b.overBound;
  return sum;
}
