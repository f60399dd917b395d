#include "demo_host.h"

#include <cstdio>

namespace {
constexpr char kReadyName[] = "ZvBenchDemoHostReady";
}  // namespace

bool StartDemoHost(DemoHost *host, int32_t width, int32_t height, int32_t frames, int serveSeconds,
                   const std::string &path) {
  host->path = path;
  DeleteFileA(path.c_str());
  host->ready = CreateEventA(nullptr, TRUE, FALSE, kReadyName);
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder = program;
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  char line[3 * MAX_PATH];
  std::snprintf(line, sizeof line,
                "\"%szvhost.exe\" --width %d --height %d --frames %d --no-audio --prerender "
                "--serve-seconds %d --ready-event %s --output \"%s\"",
                folder.c_str(), width, height, frames, serveSeconds, kReadyName, path.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;  // its progress output goes nowhere
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  CloseHandle(info.hThread);
  host->process = info.hProcess;
  const HANDLE either[2] = {host->ready, host->process};
  return WaitForMultipleObjects(2, either, FALSE, 120000) == WAIT_OBJECT_0;
}

void WaitDemoHost(DemoHost *host) {
  if (host->process) {
    if (WaitForSingleObject(host->process, 30000) != WAIT_OBJECT_0)
      TerminateProcess(host->process, 1);
    CloseHandle(host->process);
  }
  if (host->ready) CloseHandle(host->ready);
  DeleteFileA(host->path.c_str());
  *host = DemoHost();
}
