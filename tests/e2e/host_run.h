#pragma once
// The reference host (zvhost.exe) serving the demo project in a process of its
// own: started with a ready and a stop event, ended through the stop event.
#include <windows.h>

#include <memory>
#include <string>

#include "test_support.h"

struct HostOptions {
  std::string output;  // where the reference AVI goes
  int width = 64;
  int height = 48;
  int frames = 60;
  bool audio = false;
};

class HostRun {
 public:
  explicit HostRun(const HostOptions &options);
  ~HostRun();  // ends the run; kills the host if it does not end
  HostRun(const HostRun &) = delete;
  HostRun &operator=(const HostRun &) = delete;

  // True once the host has begun serving (bounded wait; false if it exited).
  bool ready() const { return ready_; }
  // Sets the stop event and waits for the host's end; true when it ended by
  // itself. exitCode() is valid afterwards.
  bool stop();
  DWORD exitCode() const { return host_ ? host_->exitCode() : DWORD(-1); }
  std::string output() { return host_ ? host_->output() : std::string(); }

 private:
  HANDLE readyEvent_ = nullptr;
  HANDLE stopEvent_ = nullptr;
  std::unique_ptr<ChildProcess> host_;
  bool ready_ = false;
  bool stopped_ = false;
};

// Runs a program of the build folder with arguments, capturing its output;
// false when it did not end within `milliseconds` (it is killed then).
bool RunProgram(const std::string &commandLine, DWORD milliseconds, DWORD *exitCode,
                std::string *output);
