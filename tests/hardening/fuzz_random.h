#pragma once
// The sweep's source of choices: one seeded engine, so that a seed replays a
// run exactly, and the values that tend to break size arithmetic.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>

class FuzzRandom {
 public:
  explicit FuzzRandom(uint32_t seed) : engine_(seed) {}
  uint32_t word() { return engine_(); }
  uint32_t below(uint32_t bound) { return bound ? engine_() % bound : 0; }
  bool percent(uint32_t chance) { return below(100) < chance; }
  template <typename T>
  T pick(std::initializer_list<T> values) {
    return values.begin()[below(uint32_t(values.size()))];
  }
  // Small values, edges of the signed and unsigned ranges, and noise.
  int32_t edgy();
  // An LPARAM that is not a pointer: null, small integers, -1, noise.
  LPARAM scalar();

 private:
  std::mt19937 engine_;
};

// The seed of this run: ZELVANOOR_FUZZ_SEED when set, else the fixed default.
uint32_t FuzzSeed();

// A bitmap header as the sweep hands it to the codec, and how many of its
// bytes the caller really provides: 40, 24 (cut after biSizeImage, the last
// field the codec has any business with) or more (a later header version).
struct FuzzFormat {
  bool present = true;
  BITMAPINFOHEADER header = {};
  size_t bytes = sizeof(BITMAPINFOHEADER);
};

// Width and height of the exchange region the sweep serves.
constexpr int32_t kRegionWidth = 4;
constexpr int32_t kRegionHeight = 3;
// The plug-in's run offers the frames 0 to kServedFrames - 1 only.
constexpr int32_t kServedFrames = 6;

// A header: usually sane (ZVNR or BI_RGB, 24 bits, the region's or small
// dimensions), else absurd dimensions, odd bit counts, other compressions.
// `preferred` is the compression it mostly carries.
FuzzFormat RandomFormat(FuzzRandom &random, uint32_t preferred, bool allowTruncated);

// Copies the header's first `bytes` bytes (zero beyond 40) to `destination`.
void WriteFormat(const FuzzFormat &format, uint8_t *destination);

// What QUERY (outputRequired false) and BEGIN (true) must answer.
LRESULT ExpectedFormatCheck(const BITMAPINFOHEADER *input, const BITMAPINFOHEADER *output,
                            bool outputRequired);

// One line naming a header, for case descriptions.
void DescribeFormat(const FuzzFormat &format, char *text, size_t size);
