#include "host_session.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "demo_project.h"
#include "progress_bar.h"
#include "stop_signals.h"

namespace {

// The callbacks carry no context, so the one session of the process lives here.
HostOptions options;
std::string outputPath;
OutputInfo info;
int32_t imageBytes;
int32_t blockBytes;

std::vector<uint8_t> renderedImage;  // the last frame asked for
int32_t renderedFrame = -1;
std::vector<uint8_t> prerendered;  // every frame, with --prerender
std::vector<uint8_t> blackImage;
std::vector<int16_t> audio;

int32_t writingFrame;       // the frame the writer reported last
int32_t writingAbortPolls;  // abortRequested calls before serving
bool serving;
DWORD servingSince;
HANDLE readyEvent;
SessionCounts counts;

bool Listed(const std::vector<int32_t> &frames, int32_t frame) {
  return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

void *__cdecl FetchVideo(int32_t frame) {
  if (options.slowFetchMs > 0) Sleep(DWORD(options.slowFetchMs));
  ++counts.framesServed;
  if (Listed(options.nullFrames, frame)) {
    ++counts.framesWithoutImage;
    return nullptr;
  }
  if (frame < 0 || frame >= info.frameCount) {
    ++counts.framesOutside;
    return blackImage.data();
  }
  if (!prerendered.empty()) return prerendered.data() + int64_t(frame) * imageBytes;
  if (frame != renderedFrame) {
    RenderDemoFrame(frame, info.width, info.height, renderedImage.data());
    renderedFrame = frame;
  }
  return renderedImage.data();
}

void *__cdecl FetchAudio(int32_t start, int32_t length, int32_t *delivered) {
  if (Listed(options.nullAudioFrames, writingFrame)) {
    *delivered = length;
    return nullptr;
  }
  int32_t count = std::max(length, 0);
  if (Listed(options.shortAudioFrames, writingFrame)) count /= 2;
  const size_t samples = size_t(count) * size_t(options.channels);
  if (audio.size() < samples) audio.resize(samples);
  RenderDemoAudio(start, count, options.channels, uint32_t(options.audioRate), audio.data());
  *delivered = count;
  return audio.data();
}

int32_t __cdecl AbortRequested(void) {
  if (StopRequested()) return 1;
  if (!serving) return ++writingAbortPolls == int64_t(options.abortAt) + 1 ? 1 : 0;
  if (options.serveSeconds >= 0 &&
      GetTickCount() - servingSince >= DWORD(options.serveSeconds) * 1000u)
    return 1;
  return 0;
}

void BeginServing() {
  serving = true;
  counts.servingBegan = true;
  servingSince = GetTickCount();
  DrawProgress(info.frameCount, info.frameCount);
  EndProgress();
  std::printf("serving the frames of %s (Ctrl-C stops)\n", outputPath.c_str());
  std::fflush(stdout);
  if (readyEvent) SetEvent(readyEvent);
}

void __cdecl ReportProgress(int32_t position, int32_t total) {
  if (serving) return;
  if (position == info.frameCount && total == info.frameCount) {
    BeginServing();
    return;
  }
  writingFrame = position;
  DrawProgress(position, total);
}

bool Allocate(std::vector<uint8_t> &buffer, int64_t bytes) {
  try {
    buffer.assign(size_t(bytes), 0);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

}  // namespace

bool StartSession(const HostOptions &chosen, const std::string &path, std::string *error) {
  options = chosen;
  outputPath = path;
  FrameImageSizeChecked(options.width, options.height, &imageBytes);
  blockBytes = 2 * options.channels;

  info = OutputInfo();
  info.flags = OutputFlags(options);
  info.width = options.width;
  info.height = options.height;
  info.rate = uint32_t(options.rate);
  info.scale = uint32_t(options.scale);
  info.frameCount = options.frames;
  info.audioSampleRate = uint32_t(options.audioRate);
  info.audioChannels = uint32_t(options.channels);
  info.audioSampleCount = AudioSampleCount(options);
  info.audioBlockSize = uint32_t(blockBytes);
  info.outputPath = outputPath.c_str();
  info.fetchVideo = &FetchVideo;
  info.fetchAudio = &FetchAudio;
  info.abortRequested = &AbortRequested;
  info.reportProgress = &ReportProgress;

  if (!Allocate(renderedImage, imageBytes) || !Allocate(blackImage, imageBytes)) {
    *error = "not enough memory for one frame";
    return false;
  }
  if (options.prerender) {
    if (!Allocate(prerendered, int64_t(imageBytes) * options.frames)) {
      *error = "not enough memory to prerender the project";
      return false;
    }
    for (int32_t frame = 0; frame < options.frames; ++frame)
      RenderDemoFrame(frame, options.width, options.height,
                      prerendered.data() + int64_t(frame) * imageBytes);
  }
  if (!options.stopEvent.empty() && !WatchStopEvent(options.stopEvent)) {
    *error = "cannot use the stop event '" + options.stopEvent + "'";
    return false;
  }
  if (!options.readyEvent.empty()) {
    readyEvent = CreateEventA(nullptr, TRUE, FALSE, options.readyEvent.c_str());
    if (!readyEvent) {
      *error = "cannot use the ready event '" + options.readyEvent + "'";
      return false;
    }
    ResetEvent(readyEvent);  // it means this run's serving, not an earlier one's
  }
  CatchConsoleStop();
  return true;
}

OutputInfo *SessionOutputInfo() {
  return &info;
}

SessionCounts SessionResult() {
  return counts;
}
