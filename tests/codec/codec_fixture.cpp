#include "codec_fixture.h"

#include <mutex>
#include <string>

#include "demo_project.h"
#include "exchange.h"
#include "test_support.h"

DRIVERPROC LoadCodecDriverProc() {
  static HMODULE module = LoadLibraryA((ProgramFolder() + "\\Zelvanoor.vcm").c_str());
  return module ? reinterpret_cast<DRIVERPROC>(GetProcAddress(module, "DriverProc")) : nullptr;
}

DriverInstance::DriverInstance() : id_(LoadCodecDriverProc()(0, nullptr, DRV_OPEN, 0, 0)) {}

DriverInstance::~DriverInstance() {
  if (id_) LoadCodecDriverProc()(id_, nullptr, DRV_CLOSE, 0, 0);
}

LRESULT DriverInstance::send(UINT message, LPARAM lParam1, LPARAM lParam2) const {
  return LoadCodecDriverProc()(id_, nullptr, message, lParam1, lParam2);
}

LRESULT DriverInstance::decompress(int32_t token, BITMAPINFOHEADER *outputFormat, void *output,
                                   DWORD flags) const {
  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, outputFormat->biWidth, outputFormat->biHeight);
  input.biSizeImage = 4;
  ICDECOMPRESS frame = {};
  frame.dwFlags = flags;
  frame.lpbiInput = &input;
  frame.lpInput = &token;
  frame.lpbiOutput = outputFormat;
  frame.lpOutput = output;
  return send(ICM_DECOMPRESS, LPARAM(&frame), sizeof frame);
}

namespace {

// The host side of the fake run: a cdecl callback has no context, so the
// serving run of the moment is kept here (tests serve one run at a time).
std::mutex servedLock;
std::vector<int32_t> served;
std::vector<uint8_t> servedImage;
int32_t servedWidth, servedHeight;

void *__cdecl FetchDemoFrame(int32_t frame) {
  std::lock_guard<std::mutex> lock(servedLock);
  served.push_back(frame);
  RenderDemoFrame(frame, servedWidth, servedHeight, servedImage.data());
  return servedImage.data();
}

}  // namespace

ServingRun::ServingRun(int32_t width, int32_t height) : width_(width), height_(height) {
  {
    std::lock_guard<std::mutex> lock(servedLock);
    served.clear();
    servedWidth = width;
    servedHeight = height;
    servedImage.assign(size_t(FrameImageSize(width, height)), 0);
  }
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                DWORD(FrameImageSize(width, height)), kExchangeMemoryName);
  if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  command_ = CreateEventA(nullptr, TRUE, FALSE, kExchangeCommandName);
  finish_ = CreateEventA(nullptr, TRUE, TRUE, kExchangeFinishName);
  mutex_ = CreateMutexA(nullptr, FALSE, kExchangeMutexName);
  if (view_ && command_ && finish_ && mutex_)
    thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
}

ServingRun::~ServingRun() {
  stop_ = true;
  if (thread_) {
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
  }
  for (HANDLE handle : {mutex_, command_, finish_})
    if (handle) CloseHandle(handle);
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
}

DWORD WINAPI ServingRun::Serve(void *self) {
  ServingRun &run = *static_cast<ServingRun *>(self);
  while (!run.stop_)
    ServeFrameRequest(run.view_, run.command_, run.finish_, run.width_, run.height_,
                      FetchDemoFrame);
  return 0;
}

std::vector<int32_t> ServingRun::requests() const {
  std::lock_guard<std::mutex> lock(servedLock);
  return served;
}

bool NoExchangeObjects() {
  HANDLE handles[] = {
      OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeMemoryName),
      OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeCommandName),
      OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeFinishName),
      OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kExchangeMutexName),
  };
  bool none = true;
  for (HANDLE handle : handles)
    if (handle) {
      none = false;
      CloseHandle(handle);
    }
  return none;
}
