#include "bench_run.h"

#include <cstdio>
#include <vector>

#include "clock.h"
#include "copy_limit.h"
#include "event_pingpong.h"
#include "exchange.h"
#include "idle_cost.h"
#include "raw_exchange.h"
#include "report.h"
#include "step_probe.h"

namespace {

struct FrameSize {
  int32_t width, height;
  int batch;  // frames per interleaved batch
};
constexpr FrameSize kSizes[] = {{1920, 1080, 10}, {1280, 720, 20}, {640, 360, 50}};
constexpr double kSecondsPerSize = 5;
constexpr int kPingPongBatch = 50;
constexpr int kLatencyFrames = 10000;
constexpr int kWatchFrom = 200;  // memory is compared between this frame and the last
constexpr double kIdleSeconds = 10;
constexpr int32_t kCopySources = 4;  // as many frames as the serving side prepares

void Progress(const char *what) {
  std::fprintf(stderr, "zvbench: %s\n", what);
  std::fflush(stderr);
}

// Batches of every path in turn, so that each sees the same share of the
// machine's load; the medians are then comparable.
SizeFigures MeasureSize(PongPartner *pong, const FrameSize &size) {
  SizeFigures figures;
  figures.width = size.width;
  figures.height = size.height;
  CopyBench copies;
  PrepareCopyBench(&copies, size.width, size.height, kCopySources);
  ExchangeServer server;
  const bool serving = StartExchangeServer(&server, size.width, size.height, 0);
  std::vector<double> pingPong, copy, exchange;
  pingPong.reserve(1 << 16);
  copy.reserve(1 << 16);
  exchange.reserve(1 << 16);
  const double end = NowSeconds() + kSecondsPerSize;
  while (NowSeconds() < end) {
    PingPongBatch(pong, kPingPongBatch, &pingPong);
    CopyBatch(&copies, size.batch, &copy);
    if (serving) ExchangeBatch(&server, size.batch, &exchange);
  }
  StopExchangeServer(&server);
  figures.pingPong = Summarize(pingPong);
  figures.copies = Summarize(copy);
  figures.exchange = Summarize(exchange);
  figures.exchangeOk = serving && server.ok;
  return figures;
}

LatencyFigures MeasureLatency(PongPartner *pong) {
  LatencyFigures figures;
  std::vector<double> pingPong, exchange;
  pingPong.reserve(kLatencyFrames * 2);
  exchange.reserve(kWatchFrom + kLatencyFrames + 1000);
  ExchangeServer server;
  const bool serving = StartExchangeServer(&server, 1, 1, kWatchFrom);
  while (serving && int(exchange.size()) < kWatchFrom + kLatencyFrames) {
    PingPongBatch(pong, 200, &pingPong);
    ExchangeBatch(&server, 500, &exchange);
  }
  StopExchangeServer(&server);
  figures.pingPong = Summarize(pingPong);
  figures.exchange = Summarize(exchange);
  figures.ok = serving && server.ok;
  figures.client = server.client;
  figures.server = server.server;
  figures.watchedFrames = int(exchange.size()) - kWatchFrom;
  return figures;
}

}  // namespace

int RunBenchmark(int argc, char **argv) {
  Figures figures;
  PongPartner pong;
  if (!StartPongPartner(&pong)) {
    std::fprintf(stderr, "zvbench: the ping-pong partner did not start\n");
    return 1;
  }
  for (const FrameSize &size : kSizes) {
    char what[64];
    std::snprintf(what, sizeof what, "%d x %d: ping-pong, copies, exchange", size.width,
                  size.height);
    Progress(what);
    figures.sizes.push_back(MeasureSize(&pong, size));
  }
  Progress("1 x 1 latency over 10,000 frames");
  figures.latency = MeasureLatency(&pong);
  StopPongPartner(&pong);

  Progress("steps of one request");
  figures.steps[0] = MeasureSteps(1, 1, false, 3000);
  figures.steps[1] = MeasureSteps(1, 1, true, 3000);
  figures.steps[2] = MeasureSteps(1920, 1080, false, 300);
  figures.steps[3] = MeasureSteps(1920, 1080, true, 300);

  Progress("idle cost, 10 s");
  figures.idle = MeasureIdle(kIdleSeconds);

  PrintFigures(figures);
  return 0;
}
