#include "avifile_audio.h"

#include "avifile_calls.h"

namespace {

// Append position of AVIStreamWrite: the end of the stream.
constexpr LONG kAppend = -1;

// Silence for filling gaps, written in pieces of at most this many bytes.
constexpr LONG kSilenceBytes = 65536;
const unsigned char silence[kSilenceBytes] = {};

bool Append(PAVISTREAM stream, LONG frames, const void *pcm, LONG bytes) {
  return aviFileCalls.write(stream, kAppend, frames, const_cast<void *>(pcm), bytes,
                            AVIIF_KEYFRAME, nullptr, nullptr) == 0;
}

bool AppendSilence(PAVISTREAM stream, int64_t frames, uint32_t blockSize) {
  if (blockSize == 0)
    return Append(stream, LONG(frames), silence, 0);
  if (blockSize > uint32_t(kSilenceBytes))
    return false;
  const int64_t piece = kSilenceBytes / blockSize;
  while (frames > 0) {
    const int64_t n = frames < piece ? frames : piece;
    if (!Append(stream, LONG(n), silence, LONG(n * blockSize)))
      return false;
    frames -= n;
  }
  return true;
}

}  // namespace

bool WriteAudioSlice(PAVISTREAM stream, int32_t start, int32_t frames, void *pcm, int32_t bytes,
                     uint32_t blockSize, int64_t *framesWritten) {
  const HRESULT result =
      aviFileCalls.write(stream, start, frames, pcm, bytes, AVIIF_KEYFRAME, nullptr, nullptr);
  if (result == AVIERR_UNSUPPORTED && start >= *framesWritten) {
    if (!AppendSilence(stream, start - *framesWritten, blockSize))
      return false;
    if (!Append(stream, frames, pcm, bytes))
      return false;
  } else if (result != 0) {
    return false;
  }
  const int64_t end = int64_t(start) + frames;
  if (end > *framesWritten)
    *framesWritten = end;
  return true;
}
