#include "raw_exchange.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "clock.h"
#include "demo_project.h"
#include "exchange.h"
#include "prepared_frames.h"

namespace {

constexpr int32_t kPreparedFrames = 4;
constexpr int kWarmUpFrames = 20;

PreparedFrames prepared;
bool servedThisTurn;

void *__cdecl FetchPrepared(int32_t frame) {
  servedThisTurn = true;
  return const_cast<uint8_t *>(prepared.image(frame));
}

void AddCalls(CallCounts *sum, const CallCounts &add) {
  for (int kind = 0; kind < kCallKinds; ++kind) sum->calls[kind] += add.calls[kind];
}

// One request; counts it into `report` and watches memory from `watchFrom` on.
double TimedRequest(ExchangeServer *server, int32_t token, int watchFrom, bool counted) {
  const int32_t bytes = int32_t(server->output.size());
  const CallCounts before = CurrentCallCounts();
  const double start = NowSeconds();
  RequestFrame(server->objects.view, server->objects.command, server->objects.finish,
               server->objects.mutex, &token, server->output.data(), bytes, server->objects.guard);
  const double seconds = NowSeconds() - start;
  const CallCounts request = Difference(CurrentCallCounts(), before);
  // The index bytes at the start of the image name the frame that came.
  if (server->width * 3 >= 4 && ReadFrameToken(server->output.data()) != token) server->ok = false;
  if (!counted) return seconds;
  RoleReport &client = server->client;
  AddCalls(&client.perFrameCalls, request);
  ++client.frames;
  if (watchFrom && client.frames == watchFrom) client.privateBytesEarly = PrivateBytes();
  if (watchFrom && client.frames > watchFrom)
    client.allocationsInWatch += request.calls[kCallAllocation];
  return seconds;
}

const char *PrefixOf(int variant) {
  return variant == kServerShared ? "Zelvanoor" : "ZvBenchPlain";
}

const char *ControlOf(int variant) {
  return variant == kServerShared ? kControlName : "ZvBenchPlainControl";
}

// The server role with the contract's steps and nothing else: one wait, the
// reset of the command, the host call, the copy, the finish signal.
void ServeContractSteps(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                        int32_t height, FetchVideoCallback fetchVideo, ExchangeGuard *) {
  if (WaitForSingleObject(commandEvent, kServerPollMs) != WAIT_OBJECT_0) return;
  ResetEvent(commandEvent);
  const void *image = fetchVideo(ReadFrameToken(view));
  std::memcpy(view, image, uint32_t(FrameImageSize(width, height)));
  SetEvent(finishEvent);
}

}  // namespace

int RunServeRole(int32_t width, int32_t height, int32_t frames, int variant) {
  Control *control = OpenControl(ControlOf(variant));
  if (!control) return 1;
  prepared = PrepareFrames(width, height, frames);
  ExchangeObjects objects = CreateExchangeObjects(PrefixOf(variant), width, height);
  const auto serve = variant == kServerShared ? &ServeFrameRequest : &ServeContractSteps;
  if (!objects.complete()) return 1;
  // The shared roles number their requests through the guard, as the plug-in
  // and the codec do; the contract-steps copy keeps the plain handshake.
  if (variant == kServerShared && !CreateExchangeGuard(&objects, width, height, frames)) return 1;
  RoleReport &report = control->report;
  const double cpuStart = ProcessCpuSeconds(GetCurrentProcess());
  const double wallStart = NowSeconds();
  control->ready = 1;
  // The serving loop of the output run, with the host's abort test reduced to
  // a flag read, so that the loop's kernel calls are the exchange's own.
  while (!control->stop) {
    servedThisTurn = false;
    const CallCounts before = CurrentCallCounts();
    serve(objects.view, objects.command, objects.finish, width, height, FetchPrepared,
          objects.guard);
    if (!servedThisTurn) {
      ++report.idleTurns;
      continue;
    }
    const CallCounts turn = Difference(CurrentCallCounts(), before);
    AddCalls(&report.perFrameCalls, turn);
    ++report.frames;
    if (report.frames == control->watchFrom) report.privateBytesEarly = PrivateBytes();
    if (control->watchFrom && report.frames > control->watchFrom)
      report.allocationsInWatch += turn.calls[kCallAllocation];
  }
  if (control->watchFrom) report.privateBytesLate = PrivateBytes();
  report.cpuSeconds = ProcessCpuSeconds(GetCurrentProcess()) - cpuStart;
  report.wallSeconds = NowSeconds() - wallStart;
  if (objects.guard) EndGuardedRun(objects.guard);
  CloseExchangeObjects(&objects);
  control->done = 1;
  return 0;
}

bool StartExchangeServer(ExchangeServer *server, int32_t width, int32_t height, int watchFrom,
                         int variant) {
  server->variant = variant;
  server->width = width;
  server->height = height;
  server->control = CreateControl(&server->controlMapping, ControlOf(variant));
  server->control->watchFrom = watchFrom ? watchFrom + kWarmUpFrames : 0;
  char arguments[64];
  std::snprintf(arguments, sizeof arguments, "serve %d %d %d %d", width, height, kPreparedFrames,
                variant);
  server->process = StartRole(arguments);
  if (!server->process || !WaitForFlag(&server->control->ready, 60000)) return false;
  server->objects = OpenExchangeObjects(PrefixOf(variant));
  if (!server->objects.complete()) return false;
  if (variant == kServerShared && !OpenExchangeGuard(&server->objects)) return false;
  server->output.assign(size_t(FrameImageSize(width, height)), 0);
  for (int i = 0; i < kWarmUpFrames; ++i)
    TimedRequest(server, server->next++ % kPreparedFrames, 0, false);
  return true;
}

void ExchangeBatch(ExchangeServer *server, int frames, std::vector<double> *samples) {
  const int watchFrom = server->control->watchFrom ? server->control->watchFrom - kWarmUpFrames : 0;
  for (int i = 0; i < frames; ++i)
    samples->push_back(TimedRequest(server, server->next++ % kPreparedFrames, watchFrom, true));
}

void StopExchangeServer(ExchangeServer *server) {
  const int32_t last = (server->next - 1) % kPreparedFrames;
  if (server->objects.complete() &&
      !IsDemoFrame(server->output.data(), last, server->width, server->height))
    server->ok = false;
  if (server->control && server->control->watchFrom)
    server->client.privateBytesLate = PrivateBytes();
  if (server->control) {
    server->control->stop = 1;
    WaitForFlag(&server->control->done, 5000);
    server->server = server->control->report;
  }
  EndRole(server->process, 5000);
  CloseExchangeObjects(&server->objects);
  if (server->control) UnmapViewOfFile(server->control);
  if (server->controlMapping) CloseHandle(server->controlMapping);
  server->process = nullptr;
  server->control = nullptr;
  server->controlMapping = nullptr;
}
