#pragma once
// The decoding threads of zvstress: each opens its own decompressor, waits for
// the common start and then asks for frames, listed or random, until its work
// is done, tallying what every call delivered.
#include <windows.h>

#include <vector>

#include "stress_options.h"
#include "stress_report.h"
#include "stress_source.h"

struct StressThreadResult {
  StressCounts counts;
  bool opened = false;        // its decompressor could be opened
  bool reachedPhase = false;  // served --served-after-phase frames after the phase event
};

// Runs options.threads threads to their end. `beforeStart` is called once every
// thread has opened its decompressor (or failed to), before any decodes; when
// it returns false the threads end without decoding.
std::vector<StressThreadResult> RunStressThreads(const StressOptions &options,
                                                 const StressSource &source,
                                                 bool (*beforeStart)(const StressOptions &,
                                                                     bool allOpened));
