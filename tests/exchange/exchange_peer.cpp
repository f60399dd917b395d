// A second process for the exchange tests: plays the server (creates the
// objects as an output run does and answers with demo frames) or a client
// (opens the objects as a codec instance does and asks for frames).
//
//   exchange_peer server WIDTH HEIGHT READY_EVENT STOP_EVENT [SLOW_FRAME SLOW_MS]
//   exchange_peer client WIDTH HEIGHT FRAME[,FRAME...] [ROUNDS]
//
// The client prints one line per request: "frame K: exact", "unchanged",
// "black" or "wrong (shows N)", and exits with 0 when every frame came back
// exact, 1 when one did not, 3 when no run holds the objects.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo_project.h"
#include "exchange.h"
#include "exchange_objects.h"

namespace {

int32_t serverWidth;
int32_t serverHeight;
int32_t slowFrame = -1;
DWORD slowMs;
std::vector<uint8_t> serverImage;

void *__cdecl FetchDemoFrame(int32_t frame) {
  if (frame == slowFrame) Sleep(slowMs);
  RenderDemoFrame(frame, serverWidth, serverHeight, serverImage.data());
  return serverImage.data();
}

int RunServer(int argc, char **argv) {
  if (argc < 6) return 2;
  serverWidth = std::atoi(argv[2]);
  serverHeight = std::atoi(argv[3]);
  if (argc >= 8) {
    slowFrame = std::atoi(argv[6]);
    slowMs = DWORD(std::atoi(argv[7]));
  }
  serverImage.resize(size_t(FrameImageSize(serverWidth, serverHeight)));
  ExchangeObjects objects = CreateExchangeObjects(serverWidth, serverHeight);
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, argv[4]);
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, argv[5]);
  if (!objects.complete() || !ready || !stop) return 3;
  SetEvent(ready);
  while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0)
    ServeFrameRequest(objects.view, objects.commandEvent, objects.finishEvent, serverWidth,
                      serverHeight, &FetchDemoFrame);
  CloseExchangeObjects(objects);
  return 0;
}

std::vector<int32_t> ParseFrames(const char *list) {
  std::vector<int32_t> frames;
  for (const char *p = list; *p;) {
    char *end;
    frames.push_back(int32_t(std::strtol(p, &end, 10)));
    p = *end == ',' ? end + 1 : end + std::strlen(end);
  }
  return frames;
}

bool AllBytes(const std::vector<uint8_t> &image, uint8_t value) {
  for (uint8_t byte : image)
    if (byte != value) return false;
  return true;
}

constexpr uint8_t kUntouched = 0xA5;

int RunClient(int argc, char **argv) {
  if (argc < 5) return 2;
  const int32_t width = std::atoi(argv[2]);
  const int32_t height = std::atoi(argv[3]);
  const std::vector<int32_t> frames = ParseFrames(argv[4]);
  const int rounds = argc >= 6 ? std::atoi(argv[5]) : 1;
  ExchangeObjects objects = OpenExchangeObjects();
  if (!objects.complete()) {
    std::printf("no exchange objects\n");
    return 3;
  }
  std::vector<uint8_t> image(size_t(FrameImageSize(width, height)));
  bool allExact = true;
  for (int round = 0; round < rounds; ++round)
    for (int32_t frame : frames) {
      uint8_t token[4];
      WriteFrameToken(token, frame);
      std::memset(image.data(), kUntouched, image.size());
      RequestFrame(objects.view, objects.commandEvent, objects.finishEvent, objects.mutex, token,
                   image.data(), int32_t(image.size()));
      int32_t shown = -1;
      if (IsDemoFrame(image.data(), frame, width, height, &shown)) {
        std::printf("frame %d: exact\n", int(frame));
        continue;
      }
      allExact = false;
      if (AllBytes(image, kUntouched))
        std::printf("frame %d: unchanged\n", int(frame));
      else if (AllBytes(image, 0))
        std::printf("frame %d: black\n", int(frame));
      else
        std::printf("frame %d: wrong (shows %d)\n", int(frame), int(shown));
    }
  std::fflush(stdout);
  CloseExchangeObjects(objects);
  return allExact ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 2 && std::strcmp(argv[1], "server") == 0) return RunServer(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "client") == 0) return RunClient(argc, argv);
  std::fprintf(stderr, "usage: exchange_peer server|client ...\n");
  return 2;
}
