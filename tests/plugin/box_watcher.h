#pragma once
// Watches, from a thread of its own, for the plug-in's message boxes while the
// test thread is inside RunOutput: notes each box's text and what of the
// output run still existed when it showed, then presses OK.
#include <windows.h>

#include <string>
#include <vector>

struct BoxSeen {
  std::string text;  // code page 932
  bool codecRegistered;
  bool mappingOpenable;
  bool finishEventOpenable;
};

class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher &) = delete;
  BoxWatcher &operator=(const BoxWatcher &) = delete;
  // Stops watching (call after RunOutput returned) and gives every box seen.
  std::vector<BoxSeen> finish();

 private:
  static DWORD WINAPI Watch(LPVOID self);
  volatile LONG stop_ = 0;
  HANDLE thread_ = nullptr;
  std::vector<BoxSeen> boxes_;
};
