#pragma once
// The boundary with the video editing host: the table the host finds through
// GetOutputPluginTable, the record it passes for each output, and its callbacks.
// Every function crossing it is cdecl. The layouts are those of the 32-bit host
// (32-bit words, 32-bit pointers); the 64-bit test build keeps the same order.
#include <cstddef>
#include <cstdint>

#include "exchange.h"

struct OutputInfo;

typedef FetchVideoCallback FetchVideoFn;                                   // frame -> image
typedef void *(__cdecl *FetchAudioFn)(int32_t start, int32_t length, int32_t *delivered);
typedef int32_t(__cdecl *AbortRequestedFn)(void);                         // 1: stop
typedef void(__cdecl *ReportProgressFn)(int32_t position, int32_t total);  // result ignored
typedef int32_t(__cdecl *RunOutputFn)(OutputInfo *info);

struct OutputPluginTable {
  int32_t flags;            // word 0
  const char *displayName;  // word 1
  const char *fileFilter;   // word 2
  const char *infoText;     // word 3
  void *reserved4;          // word 4
  void *reserved5;          // word 5
  RunOutputFn runOutput;    // word 6
  void *reserved[19];       // words 7 to 25
};

constexpr int32_t kOutputHasVideo = 1 << 0;
constexpr int32_t kOutputHasAudio = 1 << 1;

struct OutputInfo {
  int32_t flags;             // bit 0 video, bit 1 audio
  int32_t width;
  int32_t height;
  uint32_t rate;             // frames per second = rate / scale
  uint32_t scale;
  int32_t frameCount;
  int32_t hostReserved;      // belongs to the host
  uint32_t audioSampleRate;
  uint32_t audioChannels;    // only the low 16 bits are read
  int32_t audioSampleCount;  // in sample frames
  uint32_t audioBlockSize;   // bytes per sample frame
  const char *outputPath;
  FetchVideoFn fetchVideo;
  FetchAudioFn fetchAudio;
  AbortRequestedFn abortRequested;
  ReportProgressFn reportProgress;
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(OutputPluginTable) == 104, "the host reads a 26-word table");
static_assert(offsetof(OutputPluginTable, runOutput) == 24, "RunOutput is word 6");
static_assert(offsetof(OutputInfo, flags) == 0, "OutputInfo layout");
static_assert(offsetof(OutputInfo, width) == 4, "OutputInfo layout");
static_assert(offsetof(OutputInfo, height) == 8, "OutputInfo layout");
static_assert(offsetof(OutputInfo, rate) == 12, "OutputInfo layout");
static_assert(offsetof(OutputInfo, scale) == 16, "OutputInfo layout");
static_assert(offsetof(OutputInfo, frameCount) == 20, "OutputInfo layout");
static_assert(offsetof(OutputInfo, audioSampleRate) == 28, "OutputInfo layout");
static_assert(offsetof(OutputInfo, audioChannels) == 32, "OutputInfo layout");
static_assert(offsetof(OutputInfo, audioSampleCount) == 36, "OutputInfo layout");
static_assert(offsetof(OutputInfo, audioBlockSize) == 40, "OutputInfo layout");
static_assert(offsetof(OutputInfo, outputPath) == 44, "OutputInfo layout");
static_assert(offsetof(OutputInfo, fetchVideo) == 48, "OutputInfo layout");
static_assert(offsetof(OutputInfo, fetchAudio) == 52, "OutputInfo layout");
static_assert(offsetof(OutputInfo, abortRequested) == 56, "OutputInfo layout");
static_assert(offsetof(OutputInfo, reportProgress) == 60, "OutputInfo layout");
static_assert(sizeof(OutputInfo) == 64, "the plug-in reads nothing beyond byte 63");
#endif

extern "C" OutputPluginTable *__cdecl GetOutputPluginTable(void);
