#pragma once
// The stream descriptions and formats of the reference AVI, built from the
// run's values. Everything not named here is zero.
#include <windows.h>
// mmsystem.h and vfw.h build on the types of windows.h.
#include <mmsystem.h>
#include <vfw.h>

#include <cstdint>

static_assert(sizeof(BITMAPINFOHEADER) == 40, "the video format is 40 bytes");
static_assert(sizeof(WAVEFORMATEX) == 18, "the audio format is 18 bytes");

// `vids`/`ZVNR`, the frame rate rate/scale and the frame rectangle.
AVISTREAMINFOA VideoStreamInfo(int32_t width, int32_t height, uint32_t rate, uint32_t scale);

// A bottom-up 24-bit frame under ZVNR, with no image size and no colour table.
BITMAPINFOHEADER VideoFormat(int32_t width, int32_t height);

// `auds`, one sample per block: scale and sample size blockSize, rate
// blockSize * sampleRate.
AVISTREAMINFOA AudioStreamInfo(uint32_t blockSize, uint32_t sampleRate);

// 16-bit PCM; channels and block alignment keep their low 16 bits.
WAVEFORMATEX AudioFormat(uint32_t channels, uint32_t blockSize, uint32_t sampleRate);

// False when blockSize * sampleRate does not fit the 32-bit rate fields.
bool AudioRateFits(uint32_t blockSize, uint32_t sampleRate);

// The byte count of `frames` sample frames, or -1 when it is negative or does
// not fit the 32-bit byte count of a write.
int32_t AudioByteCount(int32_t frames, uint32_t blockSize);
