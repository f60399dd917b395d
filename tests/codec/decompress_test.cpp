// ICM_DECOMPRESS: output sizes, pass-through of ZVNR output, unconnected and
// connected instances, and calls that must not read or write out of bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "codec_fixture.h"
#include "demo_project.h"
#include "exchange.h"

namespace {

constexpr uint8_t kUntouched = 0xEE;

struct SizeCase {
  int32_t width, height;
  DWORD bytes;
};

TEST(Decompress, UnconnectedInstanceSetsTheSizeAndLeavesTheOutput) {
  ASSERT_TRUE(NoExchangeObjects()) << "a run is serving; this test needs none";
  const SizeCase cases[] = {{1, 1, 4},  {2, 1, 8},  {3, 1, 12},    {4, 1, 12},
                            {5, 1, 16}, {7, 2, 48}, {10, 10, 320}, {0, 5, 0}};
  DriverInstance instance;
  // A run that begins after the open does not connect the instance.
  ServingRun run(10, 10);
  ASSERT_TRUE(run.ok());
  for (const SizeCase &c : cases) {
    BITMAPINFOHEADER output = MakeFormat(BI_RGB, c.width, c.height);
    output.biSizeImage = 12345;
    std::vector<uint8_t> image(400, kUntouched);
    EXPECT_EQ(instance.decompress(3, &output, image.data()), ICERR_OK);
    EXPECT_EQ(output.biSizeImage, c.bytes) << c.width << " x " << c.height;
    EXPECT_EQ(image, std::vector<uint8_t>(400, kUntouched)) << c.width << " x " << c.height;
  }
  EXPECT_TRUE(run.requests().empty()) << "an unconnected instance sent a request";
}

TEST(Decompress, ZvnrOutputReceivesTheInputBytes) {
  // Pass-through touches no exchange object, so a serving run sees nothing.
  ServingRun run(4, 4);
  ASSERT_TRUE(run.ok());
  DriverInstance instance;
  for (DWORD inputBytes : {4u, 0u}) {
    const uint8_t token[8] = {7, 0, 0, 0, 0x11, 0x22, 0x33, 0x44};
    BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 4, 4);
    input.biSizeImage = inputBytes;
    BITMAPINFOHEADER output = MakeFormat(kFourCCZvnr, 4, 4);
    output.biSizeImage = 999;
    std::vector<uint8_t> image(16, kUntouched);
    ICDECOMPRESS frame = {};
    frame.lpbiInput = &input;
    frame.lpInput = const_cast<uint8_t *>(token);
    frame.lpbiOutput = &output;
    frame.lpOutput = image.data();
    EXPECT_EQ(instance.send(ICM_DECOMPRESS, LPARAM(&frame), sizeof frame), ICERR_OK);
    EXPECT_EQ(output.biSizeImage, inputBytes);
    std::vector<uint8_t> expected(16, kUntouched);
    std::copy(token, token + inputBytes, expected.begin());
    EXPECT_EQ(image, expected) << inputBytes;
  }
  EXPECT_TRUE(run.requests().empty());
}

TEST(Decompress, ConnectedInstanceReceivesTheServedFrame) {
  const int32_t width = 7, height = 5;
  ServingRun run(width, height);
  ASSERT_TRUE(run.ok());
  DriverInstance instance;
  const int32_t bytes = FrameImageSize(width, height);
  const struct {
    int32_t frame;
    DWORD flags;
  } cases[] = {{7, 0}, {0, 0}, {258, 0}, {7, ICDECOMPRESS_HURRYUP}, {1, ICDECOMPRESS_NOTKEYFRAME}};
  std::vector<int32_t> asked;
  for (const auto &c : cases) {
    BITMAPINFOHEADER output = MakeFormat(BI_RGB, width, height);
    std::vector<uint8_t> image(size_t(bytes) + 8, kUntouched);
    EXPECT_EQ(instance.decompress(c.frame, &output, image.data(), c.flags), ICERR_OK);
    EXPECT_EQ(output.biSizeImage, DWORD(bytes));
    int32_t found = -2;
    EXPECT_TRUE(IsDemoFrame(image.data(), c.frame, width, height, &found))
        << "frame " << c.frame << " came back as " << found;
    // Exactly biSizeImage bytes: nothing behind the image is written.
    EXPECT_EQ(std::vector<uint8_t>(image.end() - 8, image.end()),
              std::vector<uint8_t>(8, kUntouched));
    asked.push_back(c.frame);
  }
  EXPECT_EQ(run.requests(), asked);
}

TEST(Decompress, InstanceOutlivingItsRunTimesOutThenIsServedByTheNextRun) {
  std::vector<uint8_t> image(size_t(FrameImageSize(6, 4)), kUntouched);
  BITMAPINFOHEADER output = MakeFormat(BI_RGB, 6, 4);
  auto first = std::make_unique<ServingRun>(6, 4);
  ASSERT_TRUE(first->ok());
  DriverInstance instance;
  first.reset();
  // Nobody serves: the reply time-out passes, the output keeps its bytes, and
  // the request is withdrawn rather than left for the next run.
  EXPECT_EQ(instance.decompress(4, &output, image.data()), ICERR_OK);
  EXPECT_EQ(image, std::vector<uint8_t>(image.size(), kUntouched));
  HANDLE command = OpenEventA(SYNCHRONIZE, FALSE, kExchangeCommandName);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(WaitForSingleObject(command, 0), DWORD(WAIT_TIMEOUT)) << "a stale request stands";
  CloseHandle(command);
  // The next run reaches the objects this instance kept alive.
  ServingRun second(6, 4);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(instance.decompress(5, &output, image.data()), ICERR_OK);
  int32_t found = -2;
  EXPECT_TRUE(IsDemoFrame(image.data(), 5, 6, 4, &found)) << "came back as frame " << found;
  EXPECT_EQ(second.requests(), std::vector<int32_t>{5});
}

TEST(Decompress, CallsThatCannotBeServedSafelyAreRefusedUntouched) {
  ServingRun run(8, 8);
  ASSERT_TRUE(run.ok());
  DriverInstance instance;
  int32_t token = 2;
  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 8, 8);
  input.biSizeImage = 4;
  struct Case {
    const char *name;
    bool record, inputFormat, inputData, outputFormat, outputData;
    uint32_t compression;
    int32_t width, height;
  };
  const Case cases[] = {
      {"no record", false, true, true, true, true, BI_RGB, 8, 8},
      {"no output format", true, true, true, false, true, BI_RGB, 8, 8},
      {"no input data", true, true, false, true, true, BI_RGB, 8, 8},
      {"no output buffer", true, true, true, true, false, BI_RGB, 8, 8},
      {"negative height", true, true, true, true, true, BI_RGB, 8, -8},
      {"larger than the run's frame", true, true, true, true, true, BI_RGB, 200, 200},
      {"pass-through without input format", true, false, true, true, true, kFourCCZvnr, 8, 8},
      {"pass-through without output buffer", true, true, true, true, false, kFourCCZvnr, 8, 8},
  };
  for (const Case &c : cases) {
    BITMAPINFOHEADER output = MakeFormat(c.compression, c.width, c.height);
    std::vector<uint8_t> image(64, kUntouched);
    ICDECOMPRESS frame = {};
    frame.lpbiInput = c.inputFormat ? &input : nullptr;
    frame.lpInput = c.inputData ? &token : nullptr;
    frame.lpbiOutput = c.outputFormat ? &output : nullptr;
    frame.lpOutput = c.outputData ? image.data() : nullptr;
    EXPECT_EQ(instance.send(ICM_DECOMPRESS, c.record ? LPARAM(&frame) : 0, sizeof frame),
              ICERR_BADFORMAT)
        << c.name;
    EXPECT_EQ(image, std::vector<uint8_t>(64, kUntouched)) << c.name;
  }
  EXPECT_TRUE(run.requests().empty()) << "a refused call reached the server";
}

}  // namespace
