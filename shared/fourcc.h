#pragma once
#include <cstdint>

// A four-character code keeps its first character in the lowest byte, as the
// AVI file format and the compressor manager store them.
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t kFourCCVidc = MakeFourCC('v', 'i', 'd', 'c');  // compressor type
constexpr uint32_t kFourCCVids = MakeFourCC('v', 'i', 'd', 's');  // video stream
constexpr uint32_t kFourCCAuds = MakeFourCC('a', 'u', 'd', 's');  // audio stream
constexpr uint32_t kFourCCZvnr = MakeFourCC('Z', 'V', 'N', 'R');  // our handler and token video

static_assert(kFourCCVidc == 0x63646976u, "vidc");
static_assert(kFourCCZvnr == 0x524E565Au, "ZVNR");
