#pragma once
// Answers the plug-in's message boxes from a second thread while the code
// under test runs on this one: every box captioned "Zelvanoor" is read and
// closed with OK, so that an unexpected box fails a test instead of hanging it.
#include <windows.h>

#include <string>
#include <vector>

class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher &) = delete;
  BoxWatcher &operator=(const BoxWatcher &) = delete;
  // Stops watching (after a last look) and returns the texts of the boxes
  // seen, in the ANSI code page.
  std::vector<std::string> Stop();

 private:
  static DWORD WINAPI Watch(LPVOID self);
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<std::string> texts_;
};
