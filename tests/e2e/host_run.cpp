#include "host_run.h"

#include <cstdio>

namespace {

std::string UniqueEventName(const char *role) {
  static LONG counter;
  char name[64];
  std::snprintf(name, sizeof name, "zvtest-%s-%lu-%ld", role, GetCurrentProcessId(),
                InterlockedIncrement(&counter));
  return name;
}

}  // namespace

HostRun::HostRun(const HostOptions &options) {
  // Made here first, so the host finds them whether it opens or creates them.
  const std::string readyName = UniqueEventName("ready");
  const std::string stopName = UniqueEventName("stop");
  readyEvent_ = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
  stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, stopName.c_str());
  const std::string folder = ProgramFolder();
  char size[96];
  std::snprintf(size, sizeof size, " --width %d --height %d --frames %d", options.width,
                options.height, options.frames);
  const std::string command = "\"" + folder + "\\zvhost.exe\" --plugin \"" + folder +
                              "\\zelvanoor.zvo\" --output \"" + options.output + "\"" + size +
                              (options.audio ? "" : " --no-audio") + " --ready-event " + readyName +
                              " --stop-event " + stopName;
  host_ = std::make_unique<ChildProcess>(command, true);
  if (!host_->started() || !readyEvent_) return;
  HANDLE waits[] = {readyEvent_, host_->handle()};
  ready_ = WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
}

HostRun::~HostRun() {
  if (!stopped_) stop();
  host_.reset();
  if (readyEvent_) CloseHandle(readyEvent_);
  if (stopEvent_) CloseHandle(stopEvent_);
}

bool HostRun::stop() {
  stopped_ = true;
  if (!host_->started()) return false;
  if (stopEvent_) SetEvent(stopEvent_);
  if (host_->wait(30000)) return true;
  host_->kill();
  return false;
}

bool RunProgram(const std::string &commandLine, DWORD milliseconds, DWORD *exitCode,
                std::string *output) {
  ChildProcess program(commandLine, true);
  if (!program.started()) return false;
  const bool ended = program.wait(milliseconds);
  *output = program.output();
  *exitCode = program.exitCode();
  return ended;
}
