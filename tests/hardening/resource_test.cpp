// Long use in one process: a thousand opens and closes of the codec, through
// its export and through the compressor manager, and fifty output runs of the
// real plug-in leave the process's handles and memory where they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "box_watcher.h"
#include "codec_fixture.h"
#include "demo_project.h"
#include "frame_image.h"
#include "plugin_module.h"
#include "resource_usage.h"
#include "test_host.h"
#include "test_support.h"

namespace {

// Tolerances. A warmed-up process measured here moves by nothing at all; the
// heap grows in steps of 64 KiB, and a thousand lost instances (or any lost
// view) cross one step, as one lost handle per cycle adds a thousand handles.
constexpr long kHandleSlack = 2;
constexpr long long kPrivateSlack = 32 * 1024;
constexpr long long kMappedSlack = 0;

constexpr int kCodecCycles = 1000;
constexpr int kOutputRuns = 50;
constexpr int32_t kWidth = 8, kHeight = 6;

void ExpectBackWhereItStarted(const char *what, const ResourceFigures &before,
                              const ResourceFigures &after) {
  std::printf("%s: %s\n", what, DescribeChange(before, after).c_str());
  EXPECT_LE(long(after.handles) - long(before.handles), kHandleSlack) << what;
  EXPECT_LE(
      static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes),
      kPrivateSlack)
      << what;
  EXPECT_LE(static_cast<long long>(after.mappedBytes) - static_cast<long long>(before.mappedBytes),
            kMappedSlack)
      << what;
}

// One connected instance's life: opened, one frame decoded, closed.
bool CodecCycleThroughExport(DRIVERPROC proc, int32_t frame) {
  ICOPEN open = {};
  open.dwSize = sizeof open;
  open.fccType = ICTYPE_VIDEO;
  open.fccHandler = kFourCCZvnr;
  open.dwFlags = ICMODE_DECOMPRESS;
  const DWORD_PTR id = DWORD_PTR(proc(0, nullptr, DRV_OPEN, 0, LPARAM(&open)));
  if (!id) return false;
  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, kWidth, kHeight);
  input.biSizeImage = 4;
  BITMAPINFOHEADER output = MakeFormat(BI_RGB, kWidth, kHeight);
  std::vector<uint8_t> image(size_t(FrameImageSize(kWidth, kHeight)));
  ICDECOMPRESS d = {};
  d.lpbiInput = &input;
  d.lpInput = &frame;
  d.lpbiOutput = &output;
  d.lpOutput = image.data();
  const LRESULT result = proc(id, nullptr, ICM_DECOMPRESS, LPARAM(&d), sizeof d);
  const bool closed = proc(id, nullptr, DRV_CLOSE, 0, 0) == 1;
  return result == ICERR_OK && closed && IsDemoFrame(image.data(), frame, kWidth, kHeight);
}

TEST(LongUse, CodecOpensAndClosesThroughItsExport) {
  const DRIVERPROC proc = LoadCodecDriverProc();
  ASSERT_NE(proc, nullptr);
  ServingRun run(kWidth, kHeight);
  ASSERT_TRUE(run.ok());
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(CodecCycleThroughExport(proc, i % 7));
  const ResourceFigures before = MeasureResources();
  int good = 0;
  for (int i = 0; i < kCodecCycles; ++i) good += CodecCycleThroughExport(proc, i % 7);
  const ResourceFigures after = MeasureResources();
  EXPECT_EQ(good, kCodecCycles);
  ExpectBackWhereItStarted("1000 x DRV_OPEN, ICM_DECOMPRESS, DRV_CLOSE", before, after);
}

TEST(LongUse, CodecOpensAndClosesThroughTheCompressorManager) {
  ASSERT_NE(LoadCodecDriverProc(), nullptr);
  ServingRun run(kWidth, kHeight);
  ASSERT_TRUE(run.ok());
  ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kFourCCZvnr, LPARAM(LoadCodecDriverProc()), nullptr,
                        ICINSTALL_FUNCTION));
  auto cycle = [] {
    HIC codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS);
    return codec && ICClose(codec) == ICERR_OK;
  };
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(cycle());
  const ResourceFigures before = MeasureResources();
  int good = 0;
  for (int i = 0; i < kCodecCycles; ++i) good += cycle();
  const ResourceFigures after = MeasureResources();
  ICRemove(ICTYPE_VIDEO, kFourCCZvnr, 0);
  EXPECT_EQ(good, kCodecCycles);
  ExpectBackWhereItStarted("1000 x ICOpen, ICClose", before, after);
}

// Serving has begun once the writer's polls (one per frame) are over.
int32_t AbortOnceServing(const TestHostLog &log, bool) {
  return log.abortCalls > 3 ? 1 : 0;
}

TEST(LongUse, OutputRunsOfThePlugin) {
  TempFolder folder;
  ScopedPlugin plugin(DeliveredPluginPath());
  ASSERT_TRUE(plugin.plugin.module) << DeliveredPluginPath();
  const std::string path = folder.file("run.avi");
  BoxWatcher boxes;
  auto outputRun = [&] {
    OutputInfo info = TestHostInfo(kWidth, kHeight, 3, kOutputHasVideo | kOutputHasAudio, path,
                                   &AbortOnceServing);
    return plugin.table()->runOutput(&info) == 1;
  };
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(outputRun());
  const ResourceFigures before = MeasureResources();
  int good = 0;
  for (int i = 0; i < kOutputRuns; ++i) good += outputRun();
  const ResourceFigures after = MeasureResources();
  EXPECT_TRUE(boxes.finish().empty()) << "an output run showed a warning";
  EXPECT_EQ(good, kOutputRuns);
  ExpectBackWhereItStarted("50 output runs with audio", before, after);
}

}  // namespace
