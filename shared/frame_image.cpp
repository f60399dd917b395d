#include "frame_image.h"

int32_t FrameImageSize(int32_t width, int32_t height) {
  // Unsigned arithmetic gives the two's complement wrap of 32-bit Windows
  // without undefined behaviour; the division must still truncate toward zero.
  const int32_t rowTerm = int32_t(uint32_t(width) * 3u + 3u);
  const int32_t rowWords = rowTerm / 4;
  return int32_t(uint32_t(rowWords) * uint32_t(height) * 4u);
}

bool FrameImageSizeChecked(int32_t width, int32_t height, int32_t *size) {
  if (width < 0 || height < 0) return false;
  const int64_t bytes = (int64_t(width) * 3 + 3) / 4 * 4 * int64_t(height);
  if (bytes > INT32_MAX) return false;
  *size = int32_t(bytes);
  return true;
}
