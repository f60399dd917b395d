#pragma once
// What the codec tests share: the built driver's DriverProc, bitmap headers,
// and a serving side that plays the output run inside the test process.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "fourcc.h"
#include "test_support.h"

// DriverProc of the built Zelvanoor.vcm, loaded the way the system loads it.
DRIVERPROC LoadCodecDriverProc();

// Opens an instance through DRV_OPEN without ICOPEN record; closes it on
// destruction.
class DriverInstance {
 public:
  DriverInstance();
  ~DriverInstance();
  DriverInstance(const DriverInstance &) = delete;
  DriverInstance &operator=(const DriverInstance &) = delete;
  DWORD_PTR id() const { return id_; }
  LRESULT send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;
  // ICM_DECOMPRESS of one frame token into `output`.
  LRESULT decompress(int32_t token, BITMAPINFOHEADER *outputFormat, void *output,
                     DWORD flags = 0) const;

 private:
  DWORD_PTR id_;
};

// Creates the four exchange objects for a frame size, as an output run does,
// and answers requests with demo frames on its own thread through the real
// server role. Records every frame index asked for.
class ServingRun {
 public:
  ServingRun(int32_t width, int32_t height);
  ~ServingRun();  // stops serving and closes the objects
  ServingRun(const ServingRun &) = delete;
  ServingRun &operator=(const ServingRun &) = delete;
  bool ok() const { return thread_ != nullptr; }
  void *view() const { return view_; }
  std::vector<int32_t> requests() const;

 private:
  static DWORD WINAPI Serve(void *self);
  int32_t width_, height_;
  HANDLE mapping_ = nullptr;
  void *view_ = nullptr;
  HANDLE command_ = nullptr, finish_ = nullptr, mutex_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
};

// True when none of the four exchange names can be opened.
bool NoExchangeObjects();
