// zvstress: a Video for Windows client that loads the frame exchange from
// several threads at once and checks every frame it gets, or takes the
// exchange mutex and keeps it, so that tests can kill a client at the worst
// moments. See kStressUsage for the command line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "exchange.h"
#include "stress_options.h"
#include "stress_report.h"
#include "stress_source.h"
#include "stress_worker.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitWrong = 1;
constexpr int kExitSetup = 2;
constexpr int kExitPhaseMissed = 3;
constexpr DWORD kStartEventLimitMs = 10 * 60 * 1000;

int Refuse(const std::string &reason) {
  std::fprintf(stderr, "zvstress: %s\n", reason.c_str());
  return kExitSetup;
}

void SetNamedEvent(const std::string &name) {
  if (name.empty()) return;
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  if (event) {
    SetEvent(event);
    CloseHandle(event);
  }
}

// Owns the exchange mutex as a client does during its request, and never lets
// go: only the end of the process hands it on, abandoned.
int HoldMutex(const StressOptions &options) {
  HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kExchangeMutexName);
  if (!mutex) return Refuse("no exchange mutex to take (is the host serving?)");
  const DWORD claim = WaitForSingleObject(mutex, kStartEventLimitMs);
  if (claim != WAIT_OBJECT_0 && claim != WAIT_ABANDONED)
    return Refuse("could not take the exchange mutex");
  std::printf("zvstress: holding the exchange mutex\n");
  std::fflush(stdout);
  SetNamedEvent(options.readyEvent);
  Sleep(options.seconds ? options.seconds * 1000u : INFINITE);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  return kExitClean;
}

bool BeforeStart(const StressOptions &options, bool allOpened) {
  if (!allOpened) {
    std::fprintf(stderr, "zvstress: no decompressor for the stream (is the host serving?)\n");
    return false;
  }
  SetNamedEvent(options.readyEvent);
  if (options.startEvent.empty()) return true;
  HANDLE start = CreateEventA(nullptr, TRUE, FALSE, options.startEvent.c_str());
  const bool started = start && WaitForSingleObject(start, kStartEventLimitMs) == WAIT_OBJECT_0;
  if (start) CloseHandle(start);
  if (!started) std::fprintf(stderr, "zvstress: the start event never came\n");
  return started;
}

StressCounts Sum(const std::vector<StressThreadResult> &results) {
  StressCounts total;
  total.afterPhaseMin = results.empty() ? 0 : INT64_MAX;
  for (const StressThreadResult &r : results) {
    const StressCounts &c = r.counts;
    total.requests += c.requests;
    total.served += c.served;
    total.noImage += c.noImage;
    total.wrong += c.wrong;
    total.errors += c.errors;
    total.overBound += c.overBound;
    total.afterPhaseMin = std::min(total.afterPhaseMin, c.afterPhaseMin);
    total.longestMs = std::max(total.longestMs, c.longestMs);
  }
  return total;
}

}  // namespace

int main(int argc, char **argv) {
  StressOptions options;
  std::string error;
  if (!ParseStressOptions(argc - 1, argv + 1, &options, &error)) return Refuse(error);
  if (options.help) {
    std::fputs(kStressUsage, stdout);
    return kExitClean;
  }
  if (options.holdMutex) return HoldMutex(options);

  StressSource source;
  if (!LoadStressSource(options, &source, &error)) return Refuse(error);
  for (int32_t frame : options.list)
    if (size_t(frame) >= source.tokens.size()) return Refuse("a listed frame lies past the end");

  const std::vector<StressThreadResult> results = RunStressThreads(options, source, &BeforeStart);
  const bool decoded =
      !results.empty() && std::all_of(results.begin(), results.end(),
                                      [](const StressThreadResult &r) { return r.opened; });
  const StressCounts total = Sum(results);
  std::printf("%s\n", FormatStressReport(total).c_str());
  std::fflush(stdout);
  if (!decoded) return kExitSetup;
  if (total.wrong || total.errors) return kExitWrong;
  const bool phaseReached = std::all_of(results.begin(), results.end(),
                                        [](const StressThreadResult &r) { return r.reachedPhase; });
  if (options.servedAfterPhase && !phaseReached) return kExitPhaseMissed;
  return kExitClean;
}
