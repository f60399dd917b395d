#include "demo_server_thread.h"

#include <vector>

#include "demo_project.h"
#include "exchange.h"

namespace {

// The host callback has no context argument, so the one serving thread of a
// test keeps its frame here.
int32_t servedWidth;
int32_t servedHeight;
int32_t servedNullFrame;
volatile LONG *fetchCount;
std::vector<uint8_t> servedImage;

void *__cdecl FetchDemoFrame(int32_t frame) {
  InterlockedIncrement(fetchCount);
  if (frame == servedNullFrame) return nullptr;
  RenderDemoFrame(frame, servedWidth, servedHeight, servedImage.data());
  return servedImage.data();
}

}  // namespace

DemoServerThread::DemoServerThread(const ExchangeObjects &objects, int32_t width, int32_t height,
                                   int32_t nullFrame)
    : objects_(objects), width_(width), height_(height) {
  servedWidth = width;
  servedHeight = height;
  servedNullFrame = nullFrame;
  fetchCount = &fetched_;
  servedImage.assign(size_t(FrameImageSize(width, height)), 0);
  thread_ = CreateThread(nullptr, 0, &DemoServerThread::Loop, this, 0, nullptr);
}

DemoServerThread::~DemoServerThread() {
  InterlockedExchange(&stop_, 1);
  if (thread_) {
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
  }
}

DWORD WINAPI DemoServerThread::Loop(LPVOID self) {
  auto *server = static_cast<DemoServerThread *>(self);
  while (!server->stop_)
    ServeFrameRequest(server->objects_.view, server->objects_.commandEvent,
                      server->objects_.finishEvent, server->width_, server->height_,
                      &FetchDemoFrame);
  return 0;
}
