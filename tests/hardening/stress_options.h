#pragma once
// The command line of zvstress, the load and fault client of the hardening
// tests: what it decodes, how many threads, for how long, and the named events
// through which a test steers it.
#include <cstdint>
#include <string>
#include <vector>

struct StressOptions {
  std::string aviPath;  // empty: open the codec by its handler, tokens are frame indexes
  int32_t width = 64;   // without an AVI: the frame size asked of the codec
  int32_t height = 48;
  int32_t frames = 300;       // without an AVI: random frames are drawn below this
  int threads = 2;            // each with a decompressor of its own
  std::vector<int32_t> list;  // frames to ask for, dealt round-robin to the threads
  uint32_t seconds = 0;       // random frames for this long; a ceiling with a list or a phase
  uint32_t seed = 1;
  uint32_t callBoundMs = 0;      // calls that take longer are counted; 0: not counted
  std::string readyEvent;        // set once every thread is about to decode
  std::string startEvent;        // awaited before the first call
  std::string servedEvent;       // set at the first frame served
  std::string noImageEvent;      // set at the first call that leaves the buffer untouched
  std::string phaseEvent;        // frames served in calls begun after it is set are counted
  int32_t servedAfterPhase = 0;  // a thread ends after this many such frames
  bool holdMutex = false;        // take the exchange mutex and keep it until killed
  bool help = false;
};

// Fills `options` from the arguments after the program name; false with a
// one-line reason on nonsense.
bool ParseStressOptions(int argc, const char *const *argv, StressOptions *options,
                        std::string *error);

extern const char kStressUsage[];
