#include "test_host.h"

#include "demo_project.h"
#include "frame_image.h"

namespace {

TestHostLog hostLog;
AbortAnswer abortAnswer;
int32_t frameWidth;
int32_t frameHeight;
int32_t frameTotal;
bool serving;
std::string path;
std::vector<uint8_t> image;
std::vector<int16_t> audio;
HANDLE servingEvent;

void *__cdecl FetchVideo(int32_t frame) {
  hostLog.fetchedFrames.push_back(frame);
  RenderDemoFrame(frame, frameWidth, frameHeight, image.data());
  return image.data();
}

void *__cdecl FetchAudio(int32_t start, int32_t length, int32_t *delivered) {
  ++hostLog.audioCalls;
  audio.resize(size_t(length) * 2);
  RenderDemoAudio(start, length, 2, 48000, audio.data());
  *delivered = length;
  return audio.data();
}

int32_t __cdecl AbortRequested(void) {
  ++hostLog.abortCalls;
  if (serving) ++hostLog.abortCallsWhileServing;
  return abortAnswer(hostLog, serving);
}

void __cdecl ReportProgress(int32_t position, int32_t total) {
  if (position == frameTotal && total == frameTotal) {
    ++hostLog.servingReports;
    serving = true;
    SetEvent(servingEvent);
  } else {
    ++hostLog.writingReports;
  }
}

}  // namespace

OutputInfo TestHostInfo(int32_t width, int32_t height, int32_t frameCount, int32_t flags,
                        const std::string &outputPath, AbortAnswer answer) {
  hostLog = TestHostLog();
  abortAnswer = answer;
  frameWidth = width;
  frameHeight = height;
  frameTotal = frameCount;
  serving = false;
  path = outputPath;
  int32_t bytes = 0;
  FrameImageSizeChecked(width, height, &bytes);
  image.assign(size_t(bytes), 0);
  if (!servingEvent) servingEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(servingEvent);

  OutputInfo info = {};
  info.flags = flags;
  info.width = width;
  info.height = height;
  info.rate = 30000;
  info.scale = 1001;
  info.frameCount = frameCount;
  info.audioSampleRate = 48000;
  info.audioChannels = 2;
  info.audioSampleCount = int32_t(int64_t(frameCount) * 1001 * 48000 / 30000);
  info.audioBlockSize = 4;
  info.outputPath = path.c_str();
  info.fetchVideo = &FetchVideo;
  info.fetchAudio = &FetchAudio;
  info.abortRequested = &AbortRequested;
  info.reportProgress = &ReportProgress;
  return info;
}

const TestHostLog &TestHostRecord() {
  return hostLog;
}

HANDLE TestHostServingEvent() {
  return servingEvent;
}
