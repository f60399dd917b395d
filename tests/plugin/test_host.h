#pragma once
// A scripted host for driving RunOutput from a test: demo frames and audio,
// a log of every callback, and an abort answer chosen by the test.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host_interface.h"

struct TestHostLog {
  int abortCalls = 0;
  // abortRequested calls after the first progress report of serving
  // (frameCount, frameCount); each of them ends one serving turn.
  int abortCallsWhileServing = 0;
  int servingReports = 0;  // reportProgress(frameCount, frameCount)
  int writingReports = 0;  // reportProgress(i, frameCount), i < frameCount
  std::vector<int32_t> fetchedFrames;
  int audioCalls = 0;
};

// Answers one abortRequested call; `serving` is true once the serving loop
// has reported (frameCount, frameCount).
typedef int32_t (*AbortAnswer)(const TestHostLog &log, bool serving);

// A record for RunOutput over the demo pattern. The log starts empty.
OutputInfo TestHostInfo(int32_t width, int32_t height, int32_t frameCount, int32_t flags,
                        const std::string &outputPath, AbortAnswer answer);

const TestHostLog &TestHostRecord();

// Set (manual reset) when the serving loop first reports; for client threads.
HANDLE TestHostServingEvent();
