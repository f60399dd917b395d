#pragma once
// The reference host's command line: the demo project's shape, how the run
// ends, and the faults it can inject into the plug-in's callbacks.
#include <cstdint>
#include <string>
#include <vector>

struct HostOptions {
  std::string pluginPath;  // empty: zelvanoor.<ext> beside the host
  std::string outputPath = "demo.avi";
  int32_t width = 640;
  int32_t height = 360;
  int32_t rate = 30000;
  int32_t scale = 1001;
  int32_t frames = 300;
  int32_t audioRate = 48000;
  int32_t channels = 2;
  bool noAudio = false;
  bool noVideo = false;
  bool rawFlagsGiven = false;
  int32_t rawFlags = 0;
  int32_t serveSeconds = -1;  // -1: serve until stopped
  std::string stopEvent;
  std::string readyEvent;
  int32_t abortAt = -1;  // -1: the writer is never told to stop
  std::vector<int32_t> shortAudioFrames;
  std::vector<int32_t> nullAudioFrames;
  int32_t slowFetchMs = 0;
  std::vector<int32_t> nullFrames;
  bool prerender = false;
  bool help = false;
};

// The most memory --prerender may take for the whole project.
constexpr int64_t kPrerenderLimitBytes = int64_t(3) << 29;  // 1.5 GiB

// Fills `options` from the arguments after the program name. On nonsense,
// returns false with a one-line explanation in `error`.
bool ParseHostOptions(int argc, const char *const *argv, HostOptions *options, std::string *error);

// OutputInfo flags for the options: --flags, else video and audio unless
// switched off.
int32_t OutputFlags(const HostOptions &options);

// Audio sample frames that span the project: frames * scale / rate seconds.
int32_t AudioSampleCount(const HostOptions &options);

// The text of --help.
extern const char kHostUsage[];
