#include "reference_avi.h"

#include <cstring>

#include "audio_slices.h"
#include "avifile_audio.h"
#include "avifile_calls.h"
#include "avifile_formats.h"
#include "avifile_size.h"
#include "messages.h"

namespace {

// The writer's state lives at module level: the host runs one output at a time.
PAVIFILE aviFile;
PAVISTREAM videoStream;
PAVISTREAM audioStream;
AVISTREAMINFOA videoInfo;
AVISTREAMINFOA audioInfo;
// Stream position of the next video chunk and, as its four bytes, that
// chunk's payload: the frame token.
int32_t videoChunkCount;
// End of the audio written so far, in sample frames.
int64_t audioFramesWritten;
// The most the file can hold once everything written so far is in it.
int64_t fileBytes;
// The platform counts audio in chunks and stores a wrong audio length, which
// is mended in the closed file.
bool audioLengthToMend;
const char *outputPath;

// AVIFileOpenA's mode: create the file, or empty an existing one.
constexpr UINT kCreateMode = OF_WRITE | OF_CREATE;

void ResetState() {
  std::memset(&videoInfo, 0, sizeof videoInfo);
  std::memset(&audioInfo, 0, sizeof audioInfo);
  aviFile = nullptr;
  videoStream = nullptr;
  audioStream = nullptr;
  videoChunkCount = 0;
  audioFramesWritten = 0;
  fileBytes = kAviFileOverhead;
  audioLengthToMend = false;
  outputPath = nullptr;
}

// Closes the file and then, where the platform stored the audio length in
// chunks, rewrites it as the sample frames written. False only when that
// mend was needed and failed.
bool CloseAndMend() {
  CloseReferenceAvi();
  if (!audioLengthToMend) return true;
  return aviFileCalls.mendAudioLength(outputPath, uint32_t(audioFramesWritten));
}

// Counts `bytes` more into the file; false when it would outgrow an AVI file.
bool Reserve(int64_t bytes) {
  if (fileBytes + bytes > kAviFileLimit) return false;
  fileBytes += bytes;
  return true;
}

// The file is closed before the user reads the message. It stays on disk, so
// its audio length is mended as far as it goes; the run has failed anyway.
int32_t Fail() {
  CloseAndMend();
  aviFileCalls.showWarning(kMessageAviFailed);
  return 0;
}

bool CreateVideoStream(const OutputInfo *info) {
  videoInfo = VideoStreamInfo(info->width, info->height, info->rate, info->scale);
  if (aviFileCalls.createStream(aviFile, &videoStream, &videoInfo) != 0) return false;
  BITMAPINFOHEADER format = VideoFormat(info->width, info->height);
  aviFileCalls.setFormat(videoStream, 0, &format, sizeof format);
  return true;
}

bool CreateAudioStream(const OutputInfo *info) {
  // A rate that wraps would describe a different stream than the one written.
  if (!AudioRateFits(info->audioBlockSize, info->audioSampleRate)) return false;
  audioInfo = AudioStreamInfo(info->audioBlockSize, info->audioSampleRate);
  if (aviFileCalls.createStream(aviFile, &audioStream, &audioInfo) != 0) return false;
  WAVEFORMATEX format =
      AudioFormat(info->audioChannels, info->audioBlockSize, info->audioSampleRate);
  aviFileCalls.setFormat(audioStream, 0, &format, sizeof format);
  return true;
}

bool WriteVideoChunk() {
  if (!Reserve(AviChunkCost(sizeof videoChunkCount))) return false;
  if (aviFileCalls.write(videoStream, videoChunkCount, 1, &videoChunkCount, sizeof videoChunkCount,
                         AVIIF_KEYFRAME, nullptr, nullptr) != 0)
    return false;
  ++videoChunkCount;
  return true;
}

bool WriteAudioOfFrame(const OutputInfo *info, int32_t frame) {
  const int32_t first = AudioSliceBound(info->audioSampleCount, frame, info->frameCount);
  const int32_t end = AudioSliceBound(info->audioSampleCount, frame + 1, info->frameCount);
  if (first == end) return true;
  int32_t delivered;
  void *pcm = info->fetchAudio(first, end - first, &delivered);
  if (delivered == 0) return true;
  // A null buffer or a byte count that wraps would write something other
  // than what the host delivered.
  const int32_t bytes = AudioByteCount(delivered, info->audioBlockSize);
  if (pcm == nullptr || bytes < 0) return false;
  if (!Reserve(AudioSliceFileCost(first, bytes, info->audioBlockSize, audioFramesWritten)))
    return false;
  return WriteAudioSlice(audioStream, first, delivered, pcm, bytes, info->audioBlockSize,
                         &audioFramesWritten, &audioLengthToMend);
}

}  // namespace

int32_t WriteReferenceAvi(const OutputInfo *info) {
  const bool hasVideo = (info->flags & kOutputHasVideo) != 0;
  const bool hasAudio = (info->flags & kOutputHasAudio) != 0;

  ResetState();
  outputPath = info->outputPath;
  aviFileCalls.fileInit();
  if (aviFileCalls.fileOpen(&aviFile, info->outputPath, kCreateMode, nullptr) != 0) return Fail();
  if (hasVideo && !CreateVideoStream(info)) return Fail();
  if (hasAudio && !CreateAudioStream(info)) return Fail();

  for (int32_t frame = 0; frame < info->frameCount; ++frame) {
    if (info->abortRequested() != 0) {
      // An aborted run shows nothing, not even a failed mend.
      CloseAndMend();
      return 0;
    }
    info->reportProgress(frame, info->frameCount);
    if (hasVideo && !WriteVideoChunk()) return Fail();
    if (hasAudio && !WriteAudioOfFrame(info, frame)) return Fail();
  }
  // A file whose audio length stays wrong is no complete reference AVI.
  if (!CloseAndMend()) {
    aviFileCalls.showWarning(kMessageAviFailed);
    return 0;
  }
  return 1;
}

int32_t CloseReferenceAvi() {
  if (videoStream) aviFileCalls.streamRelease(videoStream);
  if (audioStream) aviFileCalls.streamRelease(audioStream);
  if (aviFile) aviFileCalls.fileRelease(aviFile);
  aviFileCalls.fileExit();
  return 1;
}
