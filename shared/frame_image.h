#pragma once
#include <cstdint>
#include <cstring>

// Byte count of a 24-bit bottom-up frame image whose rows are padded to four
// bytes: ((3 * width + 3) / 4) * height * 4 in 32-bit two's complement, as both
// sides of the exchange compute it. No overflow test: see FrameImageSizeChecked.
int32_t FrameImageSize(int32_t width, int32_t height);

// The same count computed without wrapping; false when the dimensions are
// negative or the image would not fit a signed 32-bit size.
bool FrameImageSizeChecked(int32_t width, int32_t height, int32_t *size);

// The frame token: a frame index as four little-endian bytes, the payload of
// every video chunk of the reference AVI and of every frame request.
inline int32_t ReadFrameToken(const void *bytes) {
  int32_t token;
  std::memcpy(&token, bytes, sizeof token);
  return token;
}

inline void WriteFrameToken(void *bytes, int32_t token) {
  std::memcpy(bytes, &token, sizeof token);
}
