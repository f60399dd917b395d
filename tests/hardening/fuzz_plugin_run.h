#pragma once
// The real plug-in in an output run on a thread of its own, as a host runs it:
// it registers the codec, creates the exchange objects with its guard, writes
// its reference file and serves the demo frames until it is told to stop.
#include <windows.h>

#include <cstdint>
#include <string>

#include "host_interface.h"
#include "plugin_module.h"

class ServingPlugin {
 public:
  ServingPlugin(int32_t width, int32_t height, int32_t frames, const std::string &outputPath);
  ~ServingPlugin();  // stops the run if it still serves
  ServingPlugin(const ServingPlugin &) = delete;
  ServingPlugin &operator=(const ServingPlugin &) = delete;

  // True once the serving loop has begun.
  bool serving() const { return serving_; }
  // Ends the run; RunOutput's result, or -1 when it did not return in time.
  int32_t stop();

 private:
  static DWORD WINAPI Run(void *self);
  ScopedPlugin plugin_;
  std::string path_;
  OutputInfo info_ = {};
  int32_t result_ = -1;
  HANDLE thread_ = nullptr;
  bool serving_ = false;
};
