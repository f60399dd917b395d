#pragma once
// Where the time of one request/reply goes: a copy of the two exchange roles
// with a time stamp after every step, run between two processes. The copy
// follows the contract's steps one for one, which is also what the plug-in and
// the codec do for a numbered request; `guard` adds the server's check for a
// newer request after the host call (one more wait on the command event), as
// shared/ still does for a plain request from a client without the guard
// record, so both variants can be compared in one run.
#include <cstdint>

#include "clock.h"

enum ProbeStep {
  kProbeMutexWait,      // client: wait on the exchange mutex
  kProbeResetFinish,    // client: ResetEvent(finish)
  kProbeSetCommand,     // client: SetEvent(command)
  kProbeCommandToWake,  // before the client's SetEvent(command) until the server's wait returns
  kProbeResetCommand,   // server: ResetEvent(command)
  kProbeFetch,          // server: the host callback (a prepared frame)
  kProbeGuard,          // server: wait(command, 0) for a newer request (plain requests only)
  kProbeCopyIn,         // server: host frame into the region
  kProbeSetFinish,      // server: SetEvent(finish)
  kProbeFinishToWake,   // before the server's SetEvent(finish) until the client's wait returns
  kProbeCopyOut,        // client: region into the output buffer
  kProbeReleaseMutex,   // client: ReleaseMutex
  kProbeRoundTrip,      // client: the whole request
  kProbeSteps
};

const char *ProbeStepName(int step);

struct ProbeRun {
  bool ok = false;
  double medianSeconds[kProbeSteps] = {};
};

int RunProbeServeRole(int32_t width, int32_t height, int guard);
ProbeRun MeasureSteps(int32_t width, int32_t height, bool guard, int frames);
