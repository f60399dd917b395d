#pragma once
// The reference host (zvhost.exe) serving the demo project for the soak and
// fault tests, with whatever fault options a test adds: started with a ready
// and a stop event, ended through the stop event.
#include <windows.h>

#include <memory>
#include <string>

#include "stress_launch.h"
#include "test_support.h"

class ServingHost {
 public:
  // `extraArguments` go to zvhost as they are, e.g. "--slow-fetch-ms 2500".
  ServingHost(const std::string &output, int width, int height, int frames,
              const std::string &extraArguments = "");
  ~ServingHost();  // ends the run; kills the host if it does not end
  ServingHost(const ServingHost &) = delete;
  ServingHost &operator=(const ServingHost &) = delete;

  const std::string &output() const { return output_; }
  // True once the host serves (bounded wait; false if it ended first).
  bool ready() const { return ready_; }
  // Sets the stop event and waits for the end; true when the host ended by
  // itself. exitCode() is valid afterwards.
  bool stop();
  DWORD exitCode() const { return process_->exitCode(); }
  std::string log() { return process_->output(); }

 private:
  std::string output_;
  NamedEvent readyEvent_;
  NamedEvent stopEvent_;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
  bool stopped_ = false;
};
