#include "box_watcher.h"

#include "exchange.h"
#include "test_support.h"

namespace {

bool MappingOpenable() {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeMemoryName);
  if (mapping) CloseHandle(mapping);
  return mapping != nullptr;
}

bool FinishEventOpenable() {
  HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeFinishName);
  if (event) CloseHandle(event);
  return event != nullptr;
}

}  // namespace

BoxWatcher::BoxWatcher() {
  thread_ = CreateThread(nullptr, 0, &BoxWatcher::Watch, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  finish();
}

std::vector<BoxSeen> BoxWatcher::finish() {
  InterlockedExchange(&stop_, 1);
  if (thread_) {
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return boxes_;
}

DWORD WINAPI BoxWatcher::Watch(LPVOID self) {
  auto *watcher = static_cast<BoxWatcher *>(self);
  while (!watcher->stop_) {
    FoundBox box = WaitForMessageBox("Zelvanoor", 100);
    if (!box.window) continue;
    // The box is found as soon as it exists; its text is in place once it shows.
    for (int i = 0; i < 250 && !IsWindowVisible(box.window); ++i) Sleep(20);
    box = WaitForMessageBox("Zelvanoor", 1000);
    if (!box.window) continue;
    watcher->boxes_.push_back(
        {box.text, CodecRegistered(), MappingOpenable(), FinishEventOpenable()});
    PressOk(box.window);
    for (int i = 0; i < 250 && IsWindow(box.window); ++i) Sleep(20);
  }
  return 0;
}
