#pragma once
// Demo frames rendered once before timing, so that a frame request costs the
// exchange and not the pattern generator.
#include <cstdint>
#include <vector>

struct PreparedFrames {
  int32_t width = 0, height = 0, bytes = 0;
  std::vector<std::vector<uint8_t>> images;
  const uint8_t *image(int32_t frame) const;  // frame taken modulo the count
};

PreparedFrames PrepareFrames(int32_t width, int32_t height, int32_t count);
