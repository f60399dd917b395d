#include "call_cost.h"

#include <windows.h>

#include "clock.h"

namespace {

volatile DWORD tickSink;  // keeps the GetTickCount calls

template <typename Call>
CallCost Time(const char *name, int rounds, Call call) {
  std::vector<double> samples;
  samples.reserve(size_t(rounds));
  for (int i = 0; i < rounds; ++i) {
    const double start = NowSeconds();
    call();
    samples.push_back(NowSeconds() - start);
  }
  return {name, Summarize(samples).median};
}

}  // namespace

std::vector<CallCost> MeasureCallCosts(int rounds) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "ZvBenchCostEvent");
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "ZvBenchCostMutex");
  MEMORY_BASIC_INFORMATION region;
  std::vector<CallCost> costs;
  costs.push_back(Time("SetEvent", rounds, [&] { SetEvent(event); }));
  costs.push_back(
      Time("WaitForSingleObject(set event, 0)", rounds, [&] { WaitForSingleObject(event, 0); }));
  costs.push_back(Time("ResetEvent", rounds, [&] { ResetEvent(event); }));
  costs.push_back(Time("WaitForSingleObject(free mutex)", rounds, [&] {
    WaitForSingleObject(mutex, INFINITE);
    ReleaseMutex(mutex);
  }));
  costs.back().name = "WaitForSingleObject(free mutex) + ReleaseMutex";
  costs.push_back(
      Time("VirtualQuery", rounds, [&] { VirtualQuery(&region, &region, sizeof region); }));
  costs.push_back(Time("GetTickCount", rounds, [&] { tickSink = GetTickCount(); }));
  CloseHandle(event);
  CloseHandle(mutex);
  return costs;
}
