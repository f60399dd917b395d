#include "box_watcher.h"

#include "test_support.h"

BoxWatcher::BoxWatcher() {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  Stop();
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

std::vector<std::string> BoxWatcher::Stop() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  EnterCriticalSection(&lock_);
  std::vector<std::string> texts = texts_;
  LeaveCriticalSection(&lock_);
  return texts;
}

DWORD WINAPI BoxWatcher::Watch(LPVOID param) {
  BoxWatcher *self = static_cast<BoxWatcher *>(param);
  HWND answered = nullptr;
  for (;;) {
    const bool stopping = WaitForSingleObject(self->stop_, 0) == WAIT_OBJECT_0;
    const FoundBox box = WaitForMessageBox("Zelvanoor", stopping ? 300 : 50);
    if (box.window && box.window != answered) {
      EnterCriticalSection(&self->lock_);
      self->texts_.push_back(box.text);
      LeaveCriticalSection(&self->lock_);
      answered = box.window;
    }
    if (box.window)
      PressOk(box.window);
    else if (stopping)
      return 0;
  }
}
