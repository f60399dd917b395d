#include "step_probe.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "exchange.h"
#include "exchange_objects.h"
#include "prepared_frames.h"
#include "roles.h"

namespace {

constexpr int32_t kPreparedFrames = 4;
constexpr int kWarmUpFrames = 20;
constexpr int kMaxFrames = 20000;

// Shared between the two processes, in the control block's name space.
struct ProbeShared {
  volatile double clientBeforeSetCommand;
  volatile double serverBeforeSetFinish;
  double serverMedians[kProbeSteps];
};

constexpr char kProbeName[] = "ZvBenchProbe";

ProbeShared *MapProbe(HANDLE *mapping, bool create) {
  *mapping = create ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(ProbeShared), kProbeName)
                    : OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kProbeName);
  if (!*mapping) return nullptr;
  return static_cast<ProbeShared *>(MapViewOfFile(*mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

struct StepSamples {
  std::vector<double> step[kProbeSteps];
  StepSamples() {
    for (auto &samples : step) samples.reserve(kMaxFrames);
  }
  void add(int index, double seconds) {
    if (step[index].size() < kMaxFrames) step[index].push_back(seconds);
  }
};

}  // namespace

const char *ProbeStepName(int step) {
  static const char *const names[kProbeSteps] = {
      "client: wait on the mutex",   "client: ResetEvent(finish)",     "client: SetEvent(command)",
      "command set -> server awake", "server: ResetEvent(command)",    "server: host callback",
      "server: newer-request check", "server: copy into the region",   "server: SetEvent(finish)",
      "finish set -> client awake",  "client: copy out of the region", "client: ReleaseMutex",
      "client: whole request",
  };
  return names[step];
}

int RunProbeServeRole(int32_t width, int32_t height, int guard) {
  Control *control = OpenControl();
  HANDLE probeMapping;
  ProbeShared *shared = MapProbe(&probeMapping, false);
  if (!control || !shared) return 1;
  const PreparedFrames frames = PrepareFrames(width, height, kPreparedFrames);
  ExchangeObjects objects = CreateExchangeObjects("Zelvanoor", width, height);
  if (!objects.complete()) return 1;
  static StepSamples samples;
  const uint32_t bytes = uint32_t(FrameImageSize(width, height));
  int served = 0;
  control->ready = 1;
  while (!control->stop) {
    if (WaitForSingleObject(objects.command, kServerPollMs) != WAIT_OBJECT_0) continue;
    const double awake = NowSeconds();
    ResetEvent(objects.command);
    const double reset = NowSeconds();
    const void *image = frames.image(ReadFrameToken(objects.view));
    const double fetched = NowSeconds();
    bool newer = false;
    if (guard) newer = WaitForSingleObject(objects.command, 0) == WAIT_OBJECT_0;
    const double guarded = NowSeconds();
    if (newer) continue;
    std::memcpy(objects.view, image, bytes);
    const double copied = NowSeconds();
    shared->serverBeforeSetFinish = copied;
    SetEvent(objects.finish);
    const double set = NowSeconds();
    if (++served <= kWarmUpFrames) continue;
    samples.add(kProbeCommandToWake, awake - shared->clientBeforeSetCommand);
    samples.add(kProbeResetCommand, reset - awake);
    samples.add(kProbeFetch, fetched - reset);
    samples.add(kProbeGuard, guarded - fetched);
    samples.add(kProbeCopyIn, copied - guarded);
    samples.add(kProbeSetFinish, set - copied);
  }
  for (int step = 0; step < kProbeSteps; ++step)
    shared->serverMedians[step] = Summarize(samples.step[step]).median;
  CloseExchangeObjects(&objects);
  control->done = 1;
  return 0;
}

ProbeRun MeasureSteps(int32_t width, int32_t height, bool guard, int frames) {
  ProbeRun run;
  HANDLE controlMapping, probeMapping;
  Control *control = CreateControl(&controlMapping);
  ProbeShared *shared = MapProbe(&probeMapping, true);
  char arguments[64];
  std::snprintf(arguments, sizeof arguments, "probe-serve %d %d %d", width, height, guard ? 1 : 0);
  HANDLE role = StartRole(arguments);
  ExchangeObjects objects;
  if (role && WaitForFlag(&control->ready, 60000)) objects = OpenExchangeObjects("Zelvanoor");
  if (objects.complete()) {
    const int32_t bytes = FrameImageSize(width, height);
    std::vector<uint8_t> output(static_cast<size_t>(bytes));
    static StepSamples samples;
    for (auto &step : samples.step) step.clear();
    run.ok = true;
    for (int i = 0; i < kWarmUpFrames + frames; ++i) {
      const int32_t token = i % kPreparedFrames;
      const double start = NowSeconds();
      if (WaitForSingleObject(objects.mutex, INFINITE) != WAIT_OBJECT_0) {
        run.ok = false;
        break;
      }
      const double claimed = NowSeconds();
      std::memcpy(objects.view, &token, 4);
      ResetEvent(objects.finish);
      const double reset = NowSeconds();
      shared->clientBeforeSetCommand = reset;
      SetEvent(objects.command);
      const double set = NowSeconds();
      const bool answered =
          WaitForSingleObject(objects.finish, kClientReplyTimeoutMs) == WAIT_OBJECT_0;
      const double awake = NowSeconds();
      if (answered) std::memcpy(output.data(), objects.view, size_t(bytes));
      const double copied = NowSeconds();
      ReleaseMutex(objects.mutex);
      const double released = NowSeconds();
      if (!answered) run.ok = false;
      if (i < kWarmUpFrames) continue;
      samples.add(kProbeMutexWait, claimed - start);
      samples.add(kProbeResetFinish, reset - claimed);
      samples.add(kProbeSetCommand, set - reset);
      samples.add(kProbeFinishToWake, awake - shared->serverBeforeSetFinish);
      samples.add(kProbeCopyOut, copied - awake);
      samples.add(kProbeReleaseMutex, released - copied);
      samples.add(kProbeRoundTrip, released - start);
    }
    control->stop = 1;
    WaitForFlag(&control->done, 5000);
    for (int step = 0; step < kProbeSteps; ++step)
      run.medianSeconds[step] = samples.step[step].empty() ? shared->serverMedians[step]
                                                           : Summarize(samples.step[step]).median;
  }
  control->stop = 1;
  EndRole(role, 5000);
  CloseExchangeObjects(&objects);
  UnmapViewOfFile(shared);
  CloseHandle(probeMapping);
  UnmapViewOfFile(control);
  CloseHandle(controlMapping);
  return run;
}
