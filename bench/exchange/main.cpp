// zvbench: the frame server's throughput, latency, idle cost and writing speed
// next to the platform's own limits, measured in one run so that the ratios
// hold on a noisy machine. Prints figures; asserts nothing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_host.h"
#include "bench_run.h"
#include "call_counts.h"
#include "event_pingpong.h"
#include "idle_cost.h"
#include "raw_exchange.h"
#include "step_probe.h"

namespace {

int RunRole(int argc, char **argv) {
  const char *role = argv[2];
  auto number = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
  if (std::strcmp(role, "pong") == 0) return RunPongRole();
  if (std::strcmp(role, "serve") == 0)
    return RunServeRole(number(3), number(4), number(5), number(6));
  if (std::strcmp(role, "probe-serve") == 0)
    return RunProbeServeRole(number(3), number(4), number(5));
  if (std::strcmp(role, "host") == 0 && argc >= 9) {
    HostProject project;
    project.width = number(3);
    project.height = number(4);
    project.frames = number(5);
    project.prepared = number(6);
    project.audio = number(7) != 0;
    return RunHostRole(project, argv[8]);
  }
  if (std::strcmp(role, "idle-client") == 0) return RunIdleClientRole(number(3));
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  // Every kernel-object call and allocation of this program, and so of its
  // copy of the exchange roles, is counted from here on.
  CountCallsOf(GetModuleHandleA(nullptr));
  if (argc >= 3 && std::strcmp(argv[1], "--role") == 0) return RunRole(argc, argv);
  return RunBenchmark(argc, argv);
}
