#pragma once
// The host's side of one output run of the demo project: the OutputInfo record
// and the four callbacks the plug-in calls, with the faults the options ask for.
#include <string>

#include "host_interface.h"
#include "host_options.h"

// Prepares the demo project for `options` (renders every frame first with
// --prerender); false with a reason when memory or the named events fail.
bool StartSession(const HostOptions &options, const std::string &outputPath, std::string *error);

// The record for RunOutput; valid while the session lasts.
OutputInfo *SessionOutputInfo();

// What the run did, for the closing report.
struct SessionCounts {
  int64_t framesServed;        // fetchVideo calls
  int64_t framesOutside;       // ... of them outside 0 .. frameCount - 1, answered black
  int64_t framesWithoutImage;  // ... answered with a null pointer on request
  bool servingBegan;
};
SessionCounts SessionResult();
