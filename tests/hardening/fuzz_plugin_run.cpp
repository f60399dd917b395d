#include "fuzz_plugin_run.h"

#include "test_host.h"

namespace {

volatile LONG stopServing = 0;

int32_t AbortWhenTold(const TestHostLog &, bool) {
  return stopServing ? 1 : 0;
}

}  // namespace

ServingPlugin::ServingPlugin(int32_t width, int32_t height, int32_t frames,
                             const std::string &outputPath)
    : plugin_(DeliveredPluginPath()), path_(outputPath) {
  if (!plugin_.table()) return;
  stopServing = 0;
  // The record (and the host's serving event) exist before the thread starts.
  info_ = TestHostInfo(width, height, frames, kOutputHasVideo, path_, AbortWhenTold);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  serving_ = thread_ && WaitForSingleObject(TestHostServingEvent(), 20000) == WAIT_OBJECT_0;
}

ServingPlugin::~ServingPlugin() {
  stop();
}

DWORD WINAPI ServingPlugin::Run(void *self) {
  ServingPlugin &run = *static_cast<ServingPlugin *>(self);
  run.result_ = run.plugin_.table()->runOutput(&run.info_);
  return 0;
}

int32_t ServingPlugin::stop() {
  if (!thread_) return result_;
  stopServing = 1;
  const bool ended = WaitForSingleObject(thread_, 20000) == WAIT_OBJECT_0;
  CloseHandle(thread_);
  thread_ = nullptr;
  serving_ = false;
  return ended ? result_ : -1;
}
