#pragma once
// One audio slice of the reference AVI, written where it belongs.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>

// The most that WriteAudioSlice adds to the file for this slice: the slice
// itself and, should the platform ask for it, silence up to `start`.
int64_t AudioSliceFileCost(int32_t start, int32_t bytes, uint32_t blockSize, int64_t framesWritten);

// Writes `frames` sample frames (`bytes` bytes at `pcm`) to the audio stream at
// sample frame `start`, as a key frame. `framesWritten` is the end of the
// audio written so far and is moved past the slice. Returns false when the
// slice could not be written.
//
// Some AVIFile implementations (Wine's) count an audio stream's length in
// chunks rather than sample frames and refuse a write at any explicit start
// beyond the first chunk. When the write at `start` is refused that way and
// nothing lies between the end of the written audio and `start`, the slice is
// appended instead; a gap left by a host that delivered less than asked is
// filled with silence first, so that later audio stays in time. Such a
// platform also stores the stream's length in chunks, so `countsChunks` is
// then set for the caller to mend the length once the file is closed. Any
// other refusal is a failure.
bool WriteAudioSlice(PAVISTREAM stream, int32_t start, int32_t frames, void *pcm, int32_t bytes,
                     uint32_t blockSize, int64_t *framesWritten, bool *countsChunks);
