#include "stop_signals.h"

#include <windows.h>

namespace {

volatile LONG consoleStop;
HANDLE stopEvent;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  InterlockedExchange(&consoleStop, 1);
  return TRUE;
}

}  // namespace

void CatchConsoleStop() {
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

bool WatchStopEvent(const std::string &name) {
  stopEvent = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  return stopEvent != nullptr;
}

bool StopRequested() {
  return consoleStop || (stopEvent && WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0);
}
