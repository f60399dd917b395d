#include "audio_slices.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The exact quotient floor(sampleCount * k / frameCount) with a 64-bit
// product: what the double rule must give while the product stays below 2^53.
int32_t ExactBound(int32_t sampleCount, int32_t k, int32_t frameCount) {
  return int32_t(int64_t(sampleCount) * k / frameCount);
}

std::vector<int32_t> Bounds(int32_t sampleCount, int32_t frameCount) {
  std::vector<int32_t> bounds;
  for (int32_t k = 0; k <= frameCount; ++k)
    bounds.push_back(AudioSliceBound(sampleCount, k, frameCount));
  return bounds;
}

TEST(AudioSliceBound, UnevenSlicesOfTheSmallProjects) {
  EXPECT_EQ(Bounds(10, 3), (std::vector<int32_t>{0, 3, 6, 10}));
  EXPECT_EQ(Bounds(2, 5), (std::vector<int32_t>{0, 0, 0, 1, 1, 2}));
  EXPECT_EQ(Bounds(0, 4), (std::vector<int32_t>{0, 0, 0, 0, 0}));
}

struct ProjectCase {
  int32_t sampleCount;
  int32_t frameCount;
};

// Products below 2^53: the bounds equal the exact quotient at every k, start
// at 0, never decrease and end at the sample count.
TEST(AudioSliceBound, EqualsTheIntegerQuotientBelowTwoToThe53) {
  const ProjectCase cases[] = {
      {10, 3},
      {2, 5},
      {0, 7},
      {1, 1},
      {48000 * 10, 300},                               // 10 s at 48 kHz, 30 fps
      {441000, 299},                                   // 10 s at 44.1 kHz, 29.97 fps
      {345600000, 215784},                             // 2 h at 48 kHz, 30000/1001 fps
      {2147483647, 4194304},                           // product 2^53 - 2^22
      {2147483647, 1},                                 // the largest count in one slice
      {int32_t(9007199254740991 / 4194305), 4194305},  // just below 2^53
  };
  for (const ProjectCase &c : cases) {
    // Every k of the small projects, about 50000 of each large one.
    const int32_t step = c.frameCount > 100000 ? c.frameCount / 50000 : 1;
    int32_t previous = 0;
    for (int64_t k = 0; k <= c.frameCount; k += step) {
      const int32_t bound = AudioSliceBound(c.sampleCount, int32_t(k), c.frameCount);
      ASSERT_EQ(bound, ExactBound(c.sampleCount, int32_t(k), c.frameCount))
          << c.sampleCount << " * " << k << " / " << c.frameCount;
      ASSERT_GE(bound, previous);
      previous = bound;
    }
    EXPECT_EQ(AudioSliceBound(c.sampleCount, 0, c.frameCount), 0);
    EXPECT_EQ(AudioSliceBound(c.sampleCount, c.frameCount, c.frameCount), c.sampleCount);
  }
}

struct LargeCase {
  int32_t sampleCount, k, frameCount;
  int32_t doubleRule;  // worked out in IEEE double arithmetic
};

// Above 2^53 the rounded product decides, one off the exact quotient in
// either direction.
TEST(AudioSliceBound, FollowsTheDoubleRuleAboveTwoToThe53) {
  const LargeCase cases[] = {
      {2147483647, 2147483645, 2147483646, 2147483646},  // exact 2147483645
      {2147483647, 2147483644, 2147483646, 2147483645},  // exact 2147483644
      {2147483647, 2147283712, 2147483647, 2147283711},  // exact 2147283712
      {123456789, 123256789, 123456789, 123256788},      // exact 123256789
  };
  for (const LargeCase &c : cases) {
    ASSERT_GT(int64_t(c.sampleCount) * c.k, int64_t(1) << 53);
    EXPECT_EQ(AudioSliceBound(c.sampleCount, c.k, c.frameCount), c.doubleRule)
        << c.sampleCount << " * " << c.k << " / " << c.frameCount;
    EXPECT_NE(ExactBound(c.sampleCount, c.k, c.frameCount), c.doubleRule);
  }
}

}  // namespace
