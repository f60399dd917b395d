#include "avifile_audio.h"

#include "avifile_calls.h"
#include "avifile_size.h"

namespace {

// Append position of AVIStreamWrite: the end of the stream.
constexpr LONG kAppend = -1;

// Silence for filling gaps, written in pieces of at most this many bytes.
constexpr LONG kSilenceBytes = 65536;
const unsigned char silence[kSilenceBytes] = {};

// Writes at the end of the audio written so far. Into an empty stream that
// is position 0 itself: the refused call has already moved the stream's
// start to where it wanted to write, and an append would go there.
bool Append(PAVISTREAM stream, LONG frames, const void *pcm, LONG bytes, int64_t *framesWritten) {
  const LONG at = *framesWritten == 0 ? 0 : kAppend;
  if (aviFileCalls.write(stream, at, frames, const_cast<void *>(pcm), bytes, AVIIF_KEYFRAME,
                         nullptr, nullptr) != 0)
    return false;
  *framesWritten += frames;
  return true;
}

bool AppendSilence(PAVISTREAM stream, int64_t frames, uint32_t blockSize, int64_t *framesWritten) {
  if (blockSize > uint32_t(kSilenceBytes)) return false;
  const int64_t piece = blockSize == 0 ? frames : kSilenceBytes / blockSize;
  while (frames > 0) {
    const int64_t n = frames < piece ? frames : piece;
    if (!Append(stream, LONG(n), silence, LONG(n * blockSize), framesWritten)) return false;
    frames -= n;
  }
  return true;
}

}  // namespace

int64_t AudioSliceFileCost(int32_t start, int32_t bytes, uint32_t blockSize,
                           int64_t framesWritten) {
  int64_t cost = AviChunkCost(bytes);
  const int64_t gapBytes = start > framesWritten ? (start - framesWritten) * int64_t(blockSize) : 0;
  if (gapBytes > 0) {
    const int64_t pieceBytes = blockSize < uint32_t(kSilenceBytes)
                                   ? kSilenceBytes / blockSize * int64_t(blockSize)
                                   : int64_t(blockSize);
    const int64_t pieces = (gapBytes + pieceBytes - 1) / pieceBytes;
    cost += gapBytes + pieces * AviChunkCost(0);
  }
  return cost;
}

bool WriteAudioSlice(PAVISTREAM stream, int32_t start, int32_t frames, void *pcm, int32_t bytes,
                     uint32_t blockSize, int64_t *framesWritten, bool *countsChunks) {
  const HRESULT result =
      aviFileCalls.write(stream, start, frames, pcm, bytes, AVIIF_KEYFRAME, nullptr, nullptr);
  if (result == AVIERR_UNSUPPORTED && start >= *framesWritten) {
    *countsChunks = true;
    return AppendSilence(stream, start - *framesWritten, blockSize, framesWritten) &&
           Append(stream, frames, pcm, bytes, framesWritten);
  }
  if (result != 0) return false;
  const int64_t end = int64_t(start) + frames;
  if (end > *framesWritten) *framesWritten = end;
  return true;
}
