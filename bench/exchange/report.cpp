#include "report.h"

#include <cstdio>

#include "exchange.h"

namespace {

double Us(double seconds) {
  return seconds * 1e6;
}

void PrintRow(const PathRow &row, int32_t bytes) {
  const std::string name = row.ok ? row.name : row.name + " (FAILED)";
  if (row.path.count == 0 || row.path.median <= 0) {
    std::printf("  %-26s %9s\n", name.c_str(), "n/a");
    return;
  }
  const double fps = 1 / row.path.median;
  const double copiesFps = 1 / row.copies.median;
  const double limitFps = 1 / (row.copies.median + row.pingPong.median);
  std::printf("  %-26s %9.1f %6.2f %9.1f %6.2f %8.2f  %6.0f %6.1f %8.1f\n", name.c_str(), fps,
              fps * bytes / 1e9, limitFps, fps / limitFps, fps / copiesFps, Us(row.copies.median),
              Us(row.pingPong.median), 1 / row.path.mean);
}

void PrintCalls(const CallsRow &row) {
  const RoleReport &report = row.report;
  if (report.frames <= 0) {
    std::printf("  %-34s n/a\n", row.name.c_str());
    return;
  }
  const double n = double(report.frames);
  const CallCounts &c = report.perFrameCalls;
  std::printf("  %-34s %5.2f %5.2f %5d   %4.2f %4.2f %4.2f %4.2f %4.2f  %5.2f %5.2f\n",
              row.name.c_str(), double(c.kernelObjectCalls() - c.platformKernelObjectCalls()) / n,
              double(c.platformKernelObjectCalls()) / n, row.contractMinimum,
              double(c.calls[kCallWait]) / n, double(c.calls[kCallSetEvent]) / n,
              double(c.calls[kCallResetEvent]) / n, double(c.calls[kCallReleaseMutex]) / n,
              double(c.calls[kCallOtherObject]) / n, double(c.calls[kCallQuery]) / n,
              double(c.calls[kCallAllocation]) / n);
}

void PrintWatch(const CallsRow &row, int frames) {
  const RoleReport &report = row.report;
  if (report.privateBytesEarly == 0) return;
  std::printf("  %-34s %lld allocations, private bytes %+lld\n", row.name.c_str(),
              (long long)report.allocationsInWatch,
              (long long)(report.privateBytesLate - report.privateBytesEarly));
}

void PrintIdle(const char *side, const RoleReport &report, long long waits, const char *what) {
  const double wall = report.wallSeconds > 0 ? report.wallSeconds : 1;
  std::printf("  %-34s %.3f s cpu in %.1f s = %.3f %% of one core (%lld %s)\n", side,
              report.cpuSeconds, wall, 100 * report.cpuSeconds / wall, waits, what);
}

void PrintSteps(const Figures &figures) {
  const char *const heads[4] = {"1x1", "1x1+chk", "1080p", "1080p+chk"};
  std::printf(
      "\nOne request step by step, medians in us (+chk: with the newer-request check "
      "that shared/ makes for a plain request only)\n  %-32s",
      "");
  for (const char *head : heads) std::printf(" %9s", head);
  std::printf("\n");
  for (int step = 0; step < kProbeSteps; ++step) {
    std::printf("  %-32s", ProbeStepName(step));
    for (int run = 0; run < 4; ++run) {
      const ProbeRun &probe = figures.steps[run];
      if (!probe.ok)
        std::printf(" %9s", "n/a");
      else if (step == kProbeGuard && run % 2 == 0)
        std::printf(" %9s", "-");
      else
        std::printf(" %9.1f", Us(probe.medianSeconds[step]));
    }
    std::printf("\n");
  }
}

void PrintWriting(const WritingFigures &writing) {
  std::printf(
      "\nWriting the reference AVI: %d frames (640 x 360, 29.97 fps) with 48 kHz stereo "
      "audio, %.1f MB\n",
      writing.frames, writing.fileBytes / 1e6);
  if (!writing.ok || writing.writerSeconds <= 0 || writing.plainSeconds <= 0) {
    std::printf("  n/a\n");
    return;
  }
  const double writerFps = writing.frames / writing.writerSeconds;
  const double plainFps = writing.frames / writing.plainSeconds;
  std::printf("  reference AVI writer  %8.0f fps  %6.2f s\n", writerFps, writing.writerSeconds);
  std::printf("  plain WriteFile       %8.0f fps  %6.2f s   writer = %.2f x WriteFile\n", plainFps,
              writing.plainSeconds, writerFps / plainFps);
}

}  // namespace

void PrintFigures(const Figures &figures) {
  std::printf(
      "\nZelvanoor benchmark: 64-bit build under Wine. Medians of per-frame times; the\n"
      "paths of each block ran in interleaved batches with their own copies and\n"
      "ping-pong, so each ratio compares figures taken under the same load.\n"
      "L = 1 / (two copies + bare two-process event ping-pong)\n");
  std::printf(
      "\nThroughput                       fps   GB/s   L (fps)    x L x copies  copies  "
      "ping   mean fps\n");
  std::printf(
      "                                                                          us    "
      "us\n");
  for (const SizeFigures &size : figures.sizes) {
    const int32_t bytes = FrameImageSize(size.width, size.height);
    std::printf("%d x %d (%.2f MB)\n", size.width, size.height, bytes / 1e6);
    for (const PathRow &row : size.rows) PrintRow(row, bytes);
  }

  std::printf("\nLatency, 1 x 1 frame between two processes\n");
  for (const LatencyRow &row : figures.latency) {
    std::printf("  %-26s median %6.1f us  p99 %7.1f us  ping-pong %6.1f us  = %.2f x%s\n",
                row.name.c_str(), Us(row.path.median), Us(row.path.p99), Us(row.pingPong.median),
                row.path.median / row.pingPong.median, row.ok ? "" : "  (FAILED)");
  }

  std::printf(
      "\nCalls per frame (counted at the import tables)   ours  plat  contract  "
      "wait  set reset rel other  query alloc\n");
  for (const CallsRow &row : figures.calls) PrintCalls(row);
  std::printf("  (any two-process design needs 2 per side: one signal, one wait)\n");
  std::printf("\nCost of one call alone (one process, nobody woken), median\n");
  for (const CallCost &cost : figures.callCosts)
    std::printf("  %-48s %7.2f us\n", cost.name.c_str(), Us(cost.medianSeconds));

  std::printf("\nAllocation across %d frames\n", figures.watchedFrames);
  for (const CallsRow &row : figures.calls) PrintWatch(row, figures.watchedFrames);

  PrintSteps(figures);

  std::printf("\nIdle\n");
  PrintIdle("host serving, no client (plug-in)", figures.idle.server,
            (long long)figures.idle.server.idleTurns, "polls of 250 ms");
  PrintIdle("client, no server (client role)", figures.idle.client,
            (long long)figures.idle.client.frames, "reply time-outs of 2000 ms");
  PrintIdle("client, host gone (codec driver)", figures.codecIdle,
            (long long)figures.codecIdle.frames,
            "ICDecompress calls; the guard says no run serves, so none waits");

  PrintWriting(figures.writing);
}
