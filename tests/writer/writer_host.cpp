#include "writer_host.h"

#include <cstdio>
#include <cstring>

#include "demo_project.h"

namespace {
WriterHost *current;
const uint32_t kSampleRate = 48000;
const int kChannels = 2;
}  // namespace

OutputInfo DemoOutput(int32_t flags, int32_t frameCount, int32_t audioSampleCount,
                      const char *outputPath) {
  OutputInfo info = {};
  info.flags = flags;
  info.width = 64;
  info.height = 48;
  info.rate = 30000;
  info.scale = 1001;
  info.frameCount = frameCount;
  info.audioSampleRate = kSampleRate;
  info.audioChannels = kChannels;
  info.audioSampleCount = audioSampleCount;
  info.audioBlockSize = 2 * kChannels;
  info.outputPath = outputPath;
  return info;
}

WriterHost::WriterHost(const OutputInfo &project, const HostScript &script,
                       std::vector<std::string> *log)
    : info_(project), script_(script), log_(log) {
  info_.fetchAudio = FetchAudio;
  info_.abortRequested = AbortRequested;
  info_.reportProgress = ReportProgress;
  info_.fetchVideo = FetchVideo;
  current = this;
}

WriterHost::~WriterHost() {
  current = nullptr;
}

void *__cdecl WriterHost::FetchAudio(int32_t start, int32_t length, int32_t *delivered) {
  WriterHost &host = *current;
  ++host.fetchAudioCalls_;
  if (host.log_)
    host.log_->push_back("fetchAudio(" + std::to_string(start) + ", " + std::to_string(length) +
                         ")");
  int32_t count = length;
  if (host.frame_ == host.script_.shortFrame)
    count = length > host.script_.shortBy ? length - host.script_.shortBy : 0;
  if (host.script_.deliveredOverride) count = host.script_.deliveredOverride;
  *delivered = count;
  if (host.frame_ == host.script_.nullFrame) return nullptr;
  static int16_t notToBeRead[1];
  if (count <= 0 || int64_t(count) * kChannels > 1 << 24)
    return notToBeRead;  // counts the writer must refuse or skip
  host.buffer_.assign(size_t(count) * kChannels, 0);
  RenderDemoAudio(start, count, kChannels, kSampleRate, host.buffer_.data());
  host.deliveries_.push_back({start, count, host.buffer_.data()});
  return host.buffer_.data();
}

int32_t __cdecl WriterHost::AbortRequested() {
  WriterHost &host = *current;
  ++host.abortCalls_;
  ++host.frame_;
  if (host.log_) host.log_->push_back("abortRequested()");
  return host.script_.abortAtFrame >= 0 && host.frame_ >= host.script_.abortAtFrame
             ? host.script_.abortValue
             : 0;
}

void __cdecl WriterHost::ReportProgress(int32_t position, int32_t total) {
  WriterHost &host = *current;
  ++host.progressCalls_;
  if (host.log_)
    host.log_->push_back("reportProgress(" + std::to_string(position) + ", " +
                         std::to_string(total) + ")");
}

void *__cdecl WriterHost::FetchVideo(int32_t frame) {
  if (current->log_) current->log_->push_back("fetchVideo(" + std::to_string(frame) + ")");
  return nullptr;
}

std::vector<uint8_t> WriterHost::ExpectedAudio() const {
  std::vector<uint8_t> audio;
  const size_t block = info_.audioBlockSize;
  for (const Delivery &d : deliveries_) {
    std::vector<int16_t> pcm(size_t(d.count) * kChannels);
    RenderDemoAudio(d.start, d.count, kChannels, kSampleRate, pcm.data());
    const size_t at = size_t(d.start) * block;
    audio.resize(at, 0);  // silence up to the slice (or cut back where slices overlap)
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(pcm.data());
    audio.insert(audio.end(), bytes, bytes + size_t(d.count) * block);
  }
  return audio;
}
