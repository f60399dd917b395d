#pragma once
// A serving loop on a thread of the test process, answering with demo frames
// through ServeFrameRequest, for tests that play the clients.
#include <windows.h>

#include <cstdint>

#include "exchange_objects.h"

class DemoServerThread {
 public:
  // Serves frames of width x height over `objects`; fetchVideo gives no image
  // (null) for `nullFrame`.
  DemoServerThread(const ExchangeObjects &objects, int32_t width, int32_t height,
                   int32_t nullFrame = -1);
  // Stops the loop and waits for it (at most one poll interval and a frame).
  ~DemoServerThread();
  DemoServerThread(const DemoServerThread &) = delete;
  DemoServerThread &operator=(const DemoServerThread &) = delete;
  int32_t framesFetched() const { return fetched_; }

 private:
  static DWORD WINAPI Loop(LPVOID self);
  ExchangeObjects objects_;
  int32_t width_, height_;
  volatile LONG stop_ = 0;
  volatile LONG fetched_ = 0;
  HANDLE thread_ = nullptr;
};
