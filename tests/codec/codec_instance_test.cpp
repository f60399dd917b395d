// The per-open record: which handles it holds, and that it lets them go.
#include "codec_instance.h"

#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"

namespace {

TEST(CodecInstance, HoldsNothingWhenNoRunServes) {
  ASSERT_TRUE(NoExchangeObjects());
  CodecInstance *instance = OpenCodecInstance(nullptr);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->mapping, nullptr);
  EXPECT_EQ(instance->view, nullptr);
  EXPECT_EQ(instance->commandEvent, nullptr);
  EXPECT_EQ(instance->finishEvent, nullptr);
  EXPECT_EQ(instance->mutex, nullptr);
  EXPECT_FALSE(instance->connected());
  EXPECT_EQ(CloseCodecInstance(instance), 1);
}

TEST(CodecInstance, SharesTheRegionOfTheServingRunAndReleasesIt) {
  CodecInstance *first = nullptr;
  CodecInstance *second = nullptr;
  {
    ServingRun run(16, 16);
    ASSERT_TRUE(run.ok());
    first = OpenCodecInstance(nullptr);
    second = OpenCodecInstance(nullptr);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->connected());
    EXPECT_NE(first->mapping, nullptr);
    // Each instance has handles of its own.
    EXPECT_NE(first->mutex, second->mutex);
    EXPECT_NE(first->view, second->view);
    std::memcpy(static_cast<char *>(run.view()) + 100, "shared", 6);
    EXPECT_EQ(std::memcmp(static_cast<char *>(first->view) + 100, "shared", 6), 0);
    std::memcpy(static_cast<char *>(second->view) + 200, "back", 4);
    EXPECT_EQ(std::memcmp(static_cast<char *>(run.view()) + 200, "back", 4), 0);
  }
  // The run is over; the instances alone keep the objects alive.
  EXPECT_FALSE(NoExchangeObjects());
  CloseCodecInstance(first);
  EXPECT_FALSE(NoExchangeObjects());
  CloseCodecInstance(second);
  EXPECT_TRUE(NoExchangeObjects()) << "a closed instance kept an object alive";
}

TEST(CopyToWide, WidensByteByByteAndPointsAtTheTerminator) {
  WCHAR buffer[8];
  std::memset(buffer, 0x77, sizeof buffer);
  const char source[] = "a\x82\xA0Z";  // bytes above 127 are not converted
  WCHAR *end = CopyToWide(buffer, source);
  EXPECT_EQ(end, buffer + 4);
  const WCHAR expected[] = {'a', 0x82, 0xA0, 'Z', 0, 0x7777};
  EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);
  EXPECT_EQ(CopyToWide(buffer, ""), buffer);
  EXPECT_EQ(buffer[0], 0);
}

}  // namespace
