#include "bench_run.h"

#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_host.h"
#include "call_cost.h"
#include "clock.h"
#include "copy_limit.h"
#include "demo_host.h"
#include "event_pingpong.h"
#include "exchange.h"
#include "idle_cost.h"
#include "raw_exchange.h"
#include "report.h"
#include "step_probe.h"
#include "vfw_path.h"
#include "writing_speed.h"

namespace {

struct FrameSize {
  int32_t width, height;
  int batch;  // frames per interleaved batch
};
constexpr FrameSize kSizes[] = {{1920, 1080, 10}, {1280, 720, 20}, {640, 360, 50}};
constexpr double kSecondsPerBlock = 5;
constexpr int kPingPongBatch = 50;
constexpr int kLatencyFrames = 10000;
constexpr int kWatchFrom = 200;  // memory is compared between this frame and the last
constexpr double kIdleSeconds = 10;
constexpr int32_t kProjectFrames = 4;          // distinct frames served and cycled through
constexpr int32_t kLongProjectFrames = 18000;  // ten minutes at 29.97 fps

void Progress(const char *what) {
  std::fprintf(stderr, "zvbench: %s\n", what);
  std::fflush(stderr);
}

std::string TempFolder() {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return folder;
}

struct Samples {
  std::vector<double> pingPong, copies, a, b;
  Samples() {
    for (auto *samples : {&pingPong, &copies, &a, &b}) samples->reserve(1 << 16);
  }
};

PathRow Row(const char *name, const std::vector<double> &path, const Samples &samples, bool ok) {
  PathRow row;
  row.name = name;
  row.path = Summarize(path);
  row.pingPong = Summarize(samples.pingPong);
  row.copies = Summarize(samples.copies);
  row.ok = ok && !path.empty();
  return row;
}

// Block one: the exchange roles alone between two processes, as shared/ has
// them and as a copy with the contract's steps only.
void MeasureRawBlock(PongPartner *pong, CopyBench *copies, const FrameSize &size,
                     SizeFigures *figures) {
  Samples samples;
  ExchangeServer contract, shared;
  const bool serving =
      StartExchangeServer(&contract, size.width, size.height, 0, kServerContract) &&
      StartExchangeServer(&shared, size.width, size.height, 0, kServerShared);
  const double end = NowSeconds() + kSecondsPerBlock;
  while (serving && NowSeconds() < end) {
    PingPongBatch(pong, kPingPongBatch, &samples.pingPong);
    CopyBatch(copies, size.batch, &samples.copies);
    ExchangeBatch(&contract, size.batch, &samples.a);
    ExchangeBatch(&shared, size.batch, &samples.b);
  }
  StopExchangeServer(&contract);
  StopExchangeServer(&shared);
  figures->rows.push_back(
      Row("roles, contract steps only", samples.a, samples, serving && contract.ok));
  figures->rows.push_back(Row("roles of shared/", samples.b, samples, serving && shared.ok));
}

// Block two: the full path, the real plug-in serving in a host process and
// the real codec driver in this one.
void MeasureVfwBlock(PongPartner *pong, CopyBench *copies, const FrameSize &size,
                     SizeFigures *figures, RoleReport *server, VfwClient *client) {
  Samples samples;
  HostProject project;
  project.width = size.width;
  project.height = size.height;
  project.frames = kProjectFrames;
  project.prepared = kProjectFrames;
  HostProcess host;
  char name[64];
  std::snprintf(name, sizeof name, "zvbench-%dx%d.avi", size.width, size.height);
  const bool open =
      StartHost(&host, project, TempFolder() + name) &&
      OpenVfwClient(client, host.path.c_str(), size.width, size.height, kProjectFrames);
  const double end = NowSeconds() + kSecondsPerBlock;
  while (open && NowSeconds() < end) {
    PingPongBatch(pong, kPingPongBatch, &samples.pingPong);
    CopyBatch(copies, size.batch, &samples.copies);
    DecompressBatch(client, size.batch, &samples.a);
    GetFrameBatch(client, size.batch, &samples.b);
  }
  CloseVfwClient(client);
  StopHost(&host);
  DeleteFileA(host.path.c_str());
  *server = host.report;
  figures->rows.push_back(Row("ICDecompress", samples.a, samples, open && client->decompressOk));
  figures->rows.push_back(Row("AVIStreamGetFrame", samples.b, samples, open && client->getFrameOk));
}

// Block three: the same client paths against the reference host, whose
// demo project is rendered beforehand.
void MeasureDemoHostBlock(PongPartner *pong, CopyBench *copies, const FrameSize &size,
                          SizeFigures *figures) {
  Samples samples;
  DemoHost host;
  VfwClient client;
  char name[64];
  std::snprintf(name, sizeof name, "zvbench-zvhost-%dx%d.avi", size.width, size.height);
  const int serveSeconds = int(kSecondsPerBlock) + 3;
  const bool open =
      StartDemoHost(&host, size.width, size.height, kProjectFrames, serveSeconds,
                    TempFolder() + name) &&
      OpenVfwClient(&client, host.path.c_str(), size.width, size.height, kProjectFrames);
  const double end = NowSeconds() + kSecondsPerBlock;
  while (open && NowSeconds() < end) {
    PingPongBatch(pong, kPingPongBatch, &samples.pingPong);
    CopyBatch(copies, size.batch, &samples.copies);
    DecompressBatch(&client, size.batch, &samples.a);
    GetFrameBatch(&client, size.batch, &samples.b);
  }
  CloseVfwClient(&client);
  WaitDemoHost(&host);
  figures->rows.push_back(
      Row("ICDecompress, zvhost", samples.a, samples, open && client.decompressOk));
  figures->rows.push_back(
      Row("AVIStreamGetFrame, zvhost", samples.b, samples, open && client.getFrameOk));
}

// 1 x 1 requests in long runs, with the memory and allocation watch.
void MeasureLatency(PongPartner *pong, Figures *figures) {
  const int total = kWatchFrom + kLatencyFrames;
  {
    Samples samples;
    ExchangeServer contract, server;
    const bool serving = StartExchangeServer(&contract, 1, 1, 0, kServerContract) &&
                         StartExchangeServer(&server, 1, 1, kWatchFrom, kServerShared);
    while (serving && int(samples.a.size()) < total) {
      PingPongBatch(pong, 200, &samples.pingPong);
      ExchangeBatch(&server, 500, &samples.a);
      ExchangeBatch(&contract, 500, &samples.b);
    }
    StopExchangeServer(&contract);
    StopExchangeServer(&server);
    figures->latency.push_back({"roles, contract steps only", Summarize(samples.b),
                                Summarize(samples.pingPong), serving && contract.ok});
    figures->latency.push_back({"roles of shared/", Summarize(samples.a),
                                Summarize(samples.pingPong), serving && server.ok});
    figures->calls.push_back({"roles of shared/: client", server.client, 5});
    figures->calls.push_back({"roles of shared/: server", server.server, 3});
  }
  {
    Samples samples;
    HostProject project;
    project.width = 1;
    project.height = 1;
    HostProcess host;
    host.control = nullptr;
    VfwClient client;
    client.watchFrom = kWatchFrom;
    bool open = StartHost(&host, project, TempFolder() + "zvbench-1x1.avi");
    if (open) {
      host.control->watchFrom = kWatchFrom;
      open = OpenVfwClient(&client, host.path.c_str(), 1, 1, kProjectFrames);
    }
    while (open && int(samples.a.size()) < total) {
      PingPongBatch(pong, 200, &samples.pingPong);
      DecompressBatch(&client, 500, &samples.a);
    }
    CloseVfwClient(&client);
    StopHost(&host);
    DeleteFileA(host.path.c_str());
    figures->latency.push_back({"ICDecompress (codec driver)", Summarize(samples.a),
                                Summarize(samples.pingPong), open && client.decompressOk});
    figures->calls.push_back({"ICDecompress: client (codec)", client.decompress, 5});
    figures->calls.push_back({"ICDecompress: server (plug-in)", host.report, 3});
  }
  figures->watchedFrames = kLatencyFrames;
}

}  // namespace

int RunBenchmark(int argc, char **argv) {
  Figures figures;
  AVIFileInit();
  PongPartner pong;
  if (!StartPongPartner(&pong)) {
    std::fprintf(stderr, "zvbench: the ping-pong partner did not start\n");
    return 1;
  }
  RoleReport getFrameCalls;
  for (const FrameSize &size : kSizes) {
    char what[64];
    std::snprintf(what, sizeof what, "%d x %d", size.width, size.height);
    Progress(what);
    SizeFigures sizeFigures;
    sizeFigures.width = size.width;
    sizeFigures.height = size.height;
    CopyBench copies;
    PrepareCopyBench(&copies, size.width, size.height, kProjectFrames);
    MeasureRawBlock(&pong, &copies, size, &sizeFigures);
    RoleReport server;
    VfwClient client;
    MeasureVfwBlock(&pong, &copies, size, &sizeFigures, &server, &client);
    if (&size == &kSizes[0]) {
      getFrameCalls = client.getFrameReport;
      MeasureDemoHostBlock(&pong, &copies, size, &sizeFigures);
    }
    figures.sizes.push_back(sizeFigures);
  }
  Progress("1 x 1 latency, 10,000 frames each");
  MeasureLatency(&pong, &figures);
  figures.calls.push_back({"AVIStreamGetFrame: client, 1080p", getFrameCalls, 5});
  StopPongPartner(&pong);

  Progress("cost of single calls");
  figures.callCosts = MeasureCallCosts(2000);
  Progress("steps of one request");
  figures.steps[0] = MeasureSteps(1, 1, false, 3000);
  figures.steps[1] = MeasureSteps(1, 1, true, 3000);
  figures.steps[2] = MeasureSteps(1920, 1080, false, 300);
  figures.steps[3] = MeasureSteps(1920, 1080, true, 300);

  Progress("idle cost, 10 s, then the codec with its host gone");
  figures.idle = MeasureIdle(kIdleSeconds, TempFolder());
  figures.codecIdle = MeasureCodecIdle(2, TempFolder());

  Progress("writing a long project");
  figures.writing = MeasureWriting(kLongProjectFrames, TempFolder());
  AVIFileExit();

  PrintFigures(figures);
  return 0;
}
