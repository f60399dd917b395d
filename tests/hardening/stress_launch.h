#pragma once
// A zvstress client process as the hardening tests start, watch, kill and
// read it.
#include <windows.h>

#include <memory>
#include <string>

#include "stress_report.h"
#include "test_support.h"

// A manual-reset named event made by the test, so that the child opens the
// same one whenever it starts.
class NamedEvent {
 public:
  explicit NamedEvent(const char *role);
  ~NamedEvent();
  NamedEvent(const NamedEvent &) = delete;
  NamedEvent &operator=(const NamedEvent &) = delete;
  const std::string &name() const { return name_; }
  HANDLE handle() const { return event_; }
  void set() { SetEvent(event_); }
  bool isSet() const { return WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }

 private:
  std::string name_;
  HANDLE event_;
};

class StressClient {
 public:
  // `arguments` follow the program name; the ready event is added here.
  explicit StressClient(const std::string &arguments);
  StressClient(const StressClient &) = delete;
  StressClient &operator=(const StressClient &) = delete;

  const std::string &arguments() const { return arguments_; }
  // True once the client is about to decode (or holds the mutex); false when
  // it ended before or `milliseconds` passed.
  bool waitReady(DWORD milliseconds);
  bool running() const;
  void kill() { process_->kill(); }
  // Waits for the end and reads the report; false when it did not end in time
  // (it is killed then).
  bool finish(DWORD milliseconds);
  DWORD exitCode() const { return process_->exitCode(); }
  bool reported() const { return reported_; }
  const StressCounts &counts() const { return counts_; }
  std::string output() { return process_->output(); }

 private:
  std::string arguments_;
  NamedEvent ready_;
  std::unique_ptr<ChildProcess> process_;
  bool reported_ = false;
  StressCounts counts_;
};

// The counts of two clients together; afterPhaseMin stays per client (0 here).
StressCounts SumCounts(const StressCounts &a, const StressCounts &b);
