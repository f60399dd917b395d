#include <gtest/gtest.h>

#include "exchange.h"

namespace {

struct SizeCase {
  int32_t width, height, bytes;
};

TEST(FrameImageSize, RowsArePaddedToFourBytes) {
  const SizeCase cases[] = {
      {1, 1, 4},  {2, 1, 8},   {3, 1, 12}, {4, 1, 12}, {5, 1, 16},
      {7, 2, 48}, {10, 10, 320}, {0, 1, 0},  {0, 480, 0}, {1920, 1080, 6220800},
  };
  for (const SizeCase &c : cases)
    EXPECT_EQ(FrameImageSize(c.width, c.height), c.bytes) << c.width << " x " << c.height;
}

TEST(FrameToken, IsLittleEndian) {
  unsigned char bytes[4];
  WriteFrameToken(bytes, 258);
  EXPECT_EQ(bytes[0], 0x02);
  EXPECT_EQ(bytes[1], 0x01);
  EXPECT_EQ(bytes[2], 0x00);
  EXPECT_EQ(bytes[3], 0x00);
  EXPECT_EQ(ReadFrameToken(bytes), 258);
}

}  // namespace
