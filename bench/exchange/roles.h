#pragma once
// The benchmark runs its other processes as roles of its own program: the
// parent starts "zvbench --role NAME ..." and talks to it through a small
// named control block, which costs no kernel call per frame.
#include <windows.h>

#include <cstdint>

#include "call_counts.h"

constexpr char kControlName[] = "ZvBenchControl";
constexpr char kSecondControlName[] = "ZvBenchControl2";  // for a second role at once

struct RoleReport {
  int64_t frames = 0;             // frames served (server) or requested (client)
  int64_t idleTurns = 0;          // server turns that found no request
  CallCounts perFrameCalls;       // summed over the turns or requests that carried a frame
  int64_t privateBytesEarly = 0;  // after the first frames of the watch
  int64_t privateBytesLate = 0;   // at the end of the watch
  int64_t allocationsInWatch = 0;
  double cpuSeconds = 0;  // user + kernel time of the process between start and stop
  double wallSeconds = 0;
  double writingSeconds = 0;  // a host: from its first progress report to serving
};

struct Control {
  volatile LONG ready;  // set by the role once it works
  volatile LONG stop;   // set by the parent
  volatile LONG done;   // set by the role after writing its report
  int32_t watchFrom;    // frame at which the memory watch begins
  RoleReport report;
};

// Parent side: a fresh zeroed control block (kept alive by the returned mapping).
Control *CreateControl(HANDLE *mapping, const char *name = kControlName);
// Role side.
Control *OpenControl(const char *name = kControlName);

// Starts this program with the given arguments after "--role".
HANDLE StartRole(const char *arguments);
// Waits for the role to end, killing it after `ms`.
void EndRole(HANDLE process, DWORD ms);
// Polls `flag` until it is set or `ms` pass.
bool WaitForFlag(const volatile LONG *flag, DWORD ms);

double ProcessCpuSeconds(HANDLE process);
int64_t PrivateBytes();
