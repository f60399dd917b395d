// The guard beside the exchange region, through the two roles: a client takes
// only the reply to its own request, asks only for what the run serves, and
// goes on after a client died holding the mutex.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "demo_project.h"
#include "exchange.h"
#include "exchange_guard.h"
#include "exchange_objects.h"
#include "test_support.h"
#include "time_scale.h"

namespace {

constexpr int32_t kWidth = 16, kHeight = 8, kFrames = 10;
constexpr uint8_t kCanary = 0xA5;

// The server's objects with a guard for a run of kFrames frames.
struct GuardedRun {
  ExchangeObjects objects = CreateExchangeObjects(kWidth, kHeight);
  HANDLE guardMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(ExchangeGuard), kExchangeGuardName);
  ExchangeGuard *guard =
      static_cast<ExchangeGuard *>(MapViewOfFile(guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  GuardedRun() {
    if (guard) StartGuardedRun(guard, FrameImageSize(kWidth, kHeight), kFrames);
  }
  ~GuardedRun() {
    if (guard) UnmapViewOfFile(guard);
    if (guardMapping) CloseHandle(guardMapping);
    CloseExchangeObjects(objects);
  }
  bool complete() const { return objects.complete() && guard; }
};

std::vector<uint8_t> frameImage;
volatile LONG fetchCount;

void *__cdecl FetchDemoFrame(int32_t frame) {
  InterlockedIncrement(&fetchCount);
  frameImage.assign(size_t(FrameImageSize(kWidth, kHeight)), 0);
  RenderDemoFrame(frame, kWidth, kHeight, frameImage.data());
  return frameImage.data();
}

// A client of its own handles, as a codec instance opens them.
struct ClientRequest {
  int32_t frame;
  int32_t bytes = FrameImageSize(kWidth, kHeight);
  std::vector<uint8_t> image;
  static DWORD WINAPI Run(LPVOID self) {
    auto *request = static_cast<ClientRequest *>(self);
    ExchangeObjects client = OpenExchangeObjects();
    HANDLE guardMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeGuardName);
    void *guardView =
        guardMapping ? MapViewOfFile(guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
    request->image.assign(size_t(std::max(request->bytes, 0)), kCanary);
    uint8_t token[4];
    WriteFrameToken(token, request->frame);
    if (client.complete() && guardView)
      RequestFrame(client.view, client.commandEvent, client.finishEvent, client.mutex, token,
                   request->image.data(), request->bytes, UsableGuard(guardView));
    if (guardView) UnmapViewOfFile(guardView);
    if (guardMapping) CloseHandle(guardMapping);
    CloseExchangeObjects(client);
    return 0;
  }
  bool unchanged() const {
    return std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == kCanary; });
  }
};

HANDLE Start(ClientRequest *request) {
  return CreateThread(nullptr, 0, &ClientRequest::Run, request, 0, nullptr);
}

bool Join(HANDLE thread) {
  const bool ended = WaitForSingleObject(thread, ScaledWait(10000)) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

TEST(ExchangeGuard, LateReplyToAnEarlierRequestIsNotTaken) {
  GuardedRun run;
  ASSERT_TRUE(run.complete());
  ClientRequest request{3};
  HANDLE client = Start(&request);
  ASSERT_EQ(WaitForSingleObject(run.objects.commandEvent, ScaledWait(10000)), DWORD(WAIT_OBJECT_0));

  // What a host that took too long for the previous client does: its frame
  // lands in the region over the new request and the reply is signalled.
  std::vector<uint8_t> stale(size_t(FrameImageSize(kWidth, kHeight)));
  RenderDemoFrame(9, kWidth, kHeight, stale.data());
  std::memcpy(run.objects.view, stale.data(), stale.size());
  InterlockedExchange(&run.guard->replySerial, run.guard->requestSerial - 1);
  run.guard->replyStatus = kReplyImage;
  SetEvent(run.objects.finishEvent);
  Sleep(50);

  // Then the serving loop comes round to the pending request.
  fetchCount = 0;
  ServeFrameRequest(run.objects.view, run.objects.commandEvent, run.objects.finishEvent, kWidth,
                    kHeight, &FetchDemoFrame, run.guard);
  ASSERT_TRUE(Join(client));
  int32_t found = -2;
  EXPECT_TRUE(IsDemoFrame(request.image.data(), 3, kWidth, kHeight, &found))
      << "received frame " << found;
  EXPECT_EQ(fetchCount, 1);
}

// A server thread answering through the guard until told to stop.
struct GuardedServer {
  GuardedRun &run;
  volatile LONG stop = 0;
  HANDLE thread;
  explicit GuardedServer(GuardedRun &r) : run(r) {
    thread = CreateThread(nullptr, 0, &Loop, this, 0, nullptr);
  }
  ~GuardedServer() {
    InterlockedExchange(&stop, 1);
    WaitForSingleObject(thread, ScaledWait(10000));
    CloseHandle(thread);
  }
  static DWORD WINAPI Loop(LPVOID self) {
    auto *server = static_cast<GuardedServer *>(self);
    while (!server->stop)
      ServeFrameRequest(server->run.objects.view, server->run.objects.commandEvent,
                        server->run.objects.finishEvent, kWidth, kHeight, &FetchDemoFrame,
                        server->run.guard);
    return 0;
  }
};

struct UnanswerableCase {
  const char *name;
  int32_t frame;
  int32_t bytes;
};

TEST(ExchangeGuard, RequestsTheRunCannotAnswerReachNoHostAndLeaveTheBuffer) {
  GuardedRun run;
  ASSERT_TRUE(run.complete());
  GuardedServer server(run);
  const UnanswerableCase cases[] = {
      {"frame past the end", kFrames, FrameImageSize(kWidth, kHeight)},
      {"negative frame", -1, FrameImageSize(kWidth, kHeight)},
      {"smaller frame size", 2, FrameImageSize(kWidth / 2, kHeight)},
      {"larger frame size", 2, FrameImageSize(kWidth, kHeight) + 4},
  };
  for (const UnanswerableCase &c : cases) {
    SCOPED_TRACE(c.name);
    fetchCount = 0;
    ClientRequest request{c.frame, c.bytes};
    ASSERT_TRUE(Join(Start(&request)));
    EXPECT_TRUE(request.unchanged());
    EXPECT_EQ(fetchCount, 0);
  }
  ClientRequest answerable{kFrames - 1};
  ASSERT_TRUE(Join(Start(&answerable)));
  EXPECT_TRUE(IsDemoFrame(answerable.image.data(), kFrames - 1, kWidth, kHeight));
}

DWORD WINAPI TakeMutexAndEnd(LPVOID) {
  HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kExchangeMutexName);
  if (mutex) WaitForSingleObject(mutex, 0);
  return 0;  // ends owning it: the mutex is abandoned
}

TEST(ExchangeGuard, ClientAfterAnAbandonedMutexIsServed) {
  GuardedRun run;
  ASSERT_TRUE(run.complete());
  GuardedServer server(run);
  ASSERT_TRUE(Join(CreateThread(nullptr, 0, &TakeMutexAndEnd, nullptr, 0, nullptr)));
  for (int32_t frame : {4, 5}) {
    ClientRequest request{frame};
    ASSERT_TRUE(Join(Start(&request)));
    EXPECT_TRUE(IsDemoFrame(request.image.data(), frame, kWidth, kHeight)) << frame;
  }
}

TEST(ExchangeGuard, EndedRunIsNotAskedAtAll) {
  GuardedRun run;
  ASSERT_TRUE(run.complete());
  EndGuardedRun(run.guard);
  ClientRequest request{1};
  ASSERT_TRUE(Join(Start(&request)));
  EXPECT_TRUE(request.unchanged());
  EXPECT_NE(WaitForSingleObject(run.objects.commandEvent, 0), DWORD(WAIT_OBJECT_0))
      << "a request was made to a run that has ended";
}

}  // namespace
