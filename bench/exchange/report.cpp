#include "report.h"

#include <cstdio>

#include "exchange.h"

namespace {

double Us(double seconds) {
  return seconds * 1e6;
}

void PrintPath(const char *path, const Spread &spread, int32_t bytes, double limitFps,
               double copiesFps) {
  if (spread.count == 0 || spread.median <= 0) {
    std::printf("  %-28s %10s\n", path, "n/a");
    return;
  }
  const double fps = 1 / spread.median;
  std::printf("  %-28s %10.1f %8.2f %7.2f %9.2f %10.1f\n", path, fps, fps * bytes / 1e9,
              fps / limitFps, fps / copiesFps, 1 / spread.mean);
}

void PrintCalls(const char *side, const RoleReport &report, int minimum) {
  if (report.frames <= 0) {
    std::printf("  %-7s n/a\n", side);
    return;
  }
  const double n = double(report.frames);
  const CallCounts &c = report.perFrameCalls;
  std::printf(
      "  %-7s %5.2f  (contract %d, any design 2)  waits %.2f  SetEvent %.2f  "
      "ResetEvent %.2f  ReleaseMutex %.2f  other %.2f\n",
      side, double(c.kernelObjectCalls()) / n, minimum, double(c.calls[kCallWait]) / n,
      double(c.calls[kCallSetEvent]) / n, double(c.calls[kCallResetEvent]) / n,
      double(c.calls[kCallReleaseMutex]) / n, double(c.calls[kCallOtherObject]) / n);
}

void PrintWatch(const char *side, const RoleReport &report, int frames) {
  std::printf("  %-7s %lld allocations in %d frames, private bytes %+lld\n", side,
              (long long)report.allocationsInWatch, frames,
              (long long)(report.privateBytesLate - report.privateBytesEarly));
}

void PrintIdle(const char *side, const RoleReport &report, double seenByParent, long long waits,
               const char *what) {
  const double wall = report.wallSeconds > 0 ? report.wallSeconds : 1;
  std::printf("  %-7s %.3f s cpu in %.1f s = %.3f %% of one core (%lld %s)", side,
              report.cpuSeconds, wall, 100 * report.cpuSeconds / wall, waits, what);
  if (seenByParent >= 0) std::printf(", from outside %.3f s", seenByParent);
  std::printf("\n");
}

void PrintSteps(const Figures &figures) {
  const char *const heads[4] = {"1x1", "1x1+chk", "1080p", "1080p+chk"};
  std::printf(
      "\nOne request step by step (medians in us; +chk: with the server's "
      "newer-request check)\n  %-32s",
      "");
  for (const char *head : heads) std::printf(" %9s", head);
  std::printf("\n");
  for (int step = 0; step < kProbeSteps; ++step) {
    std::printf("  %-32s", ProbeStepName(step));
    for (const ProbeRun &run : figures.steps) {
      const bool hasStep =
          step != kProbeGuard || &run == &figures.steps[1] || &run == &figures.steps[3];
      if (run.ok && hasStep)
        std::printf(" %9.1f", Us(run.medianSeconds[step]));
      else
        std::printf(" %9s", run.ok ? "-" : "n/a");
    }
    std::printf("\n");
  }
}

}  // namespace

void PrintFigures(const Figures &figures) {
  std::printf(
      "\nZelvanoor benchmark: 64-bit build under Wine, medians of per-frame times, "
      "all paths interleaved\n");
  std::printf("L = 1 / (two copies + bare two-process event ping-pong)\n");
  std::printf("\nThroughput                          fps     GB/s     x L  x copies   mean fps\n");
  for (const SizeFigures &size : figures.sizes) {
    const int32_t bytes = FrameImageSize(size.width, size.height);
    const double copiesFps = 1 / size.copies.median;
    const double limitFps = 1 / (size.copies.median + size.pingPong.median);
    std::printf("%d x %d (%.2f MB): copies %.0f us, ping-pong %.1f us, L %.1f fps\n", size.width,
                size.height, bytes / 1e6, Us(size.copies.median), Us(size.pingPong.median),
                limitFps);
    PrintPath("two copies (memcpy)", size.copies, bytes, limitFps, copiesFps);
    PrintPath(size.exchangeOk ? "exchange roles" : "exchange roles (FAILED)", size.exchange, bytes,
              limitFps, copiesFps);
  }

  const LatencyFigures &latency = figures.latency;
  std::printf("\nLatency, 1 x 1 frame between two processes (%d requests)\n",
              latency.exchange.count);
  std::printf("  bare event ping-pong   median %7.1f us   p99 %7.1f us\n",
              Us(latency.pingPong.median), Us(latency.pingPong.p99));
  std::printf("  exchange request       median %7.1f us   p99 %7.1f us   = %.2f x ping-pong%s\n",
              Us(latency.exchange.median), Us(latency.exchange.p99),
              latency.exchange.median / latency.pingPong.median, latency.ok ? "" : "  (FAILED)");

  std::printf("\nKernel-object calls per frame (counted at the import tables)\n");
  PrintCalls("client", latency.client, 5);
  PrintCalls("server", latency.server, 3);

  std::printf("\nAllocation across %d frames\n", latency.watchedFrames);
  PrintWatch("client", latency.client, latency.watchedFrames);
  PrintWatch("server", latency.server, latency.watchedFrames);

  PrintSteps(figures);

  std::printf("\nIdle\n");
  PrintIdle("server", figures.idle.server, figures.idle.serverCpuSeenByParent,
            (long long)figures.idle.server.idleTurns, "polls of 250 ms");
  PrintIdle("client", figures.idle.client, figures.idle.clientCpuSeenByParent,
            (long long)figures.idle.client.frames, "reply time-outs of 2000 ms");
}
