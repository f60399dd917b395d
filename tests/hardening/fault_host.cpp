#include "fault_host.h"

#include <cstdio>

#include "time_scale.h"

ServingHost::ServingHost(const std::string &output, int width, int height, int frames,
                         const std::string &extraArguments)
    : output_(output), readyEvent_("zvhost-ready"), stopEvent_("zvhost-stop") {
  char shape[96];
  std::snprintf(shape, sizeof shape, " --width %d --height %d --frames %d --no-audio", width,
                height, frames);
  const std::string command = ProgramCommand("zvhost.exe") + " --output \"" + output + "\"" +
                              shape + " --ready-event " + readyEvent_.name() + " --stop-event " +
                              stopEvent_.name() + " " + extraArguments;
  process_ = std::make_unique<ChildProcess>(command, true);
  if (!process_->started()) return;
  HANDLE waits[] = {readyEvent_.handle(), process_->handle()};
  ready_ = WaitForMultipleObjects(2, waits, FALSE, ScaledWait(60000)) == WAIT_OBJECT_0;
}

ServingHost::~ServingHost() {
  if (!stopped_) stop();
}

bool ServingHost::stop() {
  stopped_ = true;
  if (!process_->started()) return false;
  stopEvent_.set();
  // A slow host finishes the frame it is rendering before it looks again.
  if (process_->wait(ScaledWait(30000))) return true;
  process_->kill();
  return false;
}
