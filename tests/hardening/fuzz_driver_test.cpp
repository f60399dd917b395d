// The randomized sweep over DriverProc of the built Zelvanoor.vcm. A crash ends
// the program with the seed and the case printed; ZELVANOOR_FUZZ_SEED replays it.
#include <gtest/gtest.h>

#include <cstdio>

#include "codec_fixture.h"
#include "fuzz_crash_report.h"
#include "fuzz_driver_sweep.h"
#include "fuzz_plugin_run.h"
#include "fuzz_random.h"
#include "test_host.h"
#include "test_support.h"

namespace {

constexpr int kIterations = 20000;
constexpr int kInstancesOfEachKind = 3;

std::vector<DWORD_PTR> OpenInstances(DRIVERPROC proc) {
  std::vector<DWORD_PTR> ids;
  for (int i = 0; i < kInstancesOfEachKind; ++i) {
    const DWORD_PTR id = DWORD_PTR(proc(0, nullptr, DRV_OPEN, 0, 0));
    if (id) ids.push_back(id);
  }
  return ids;
}

TEST(DriverSweep, SurvivesRandomMessagesAndArguments) {
  InstallCrashReport();
  const uint32_t seed = FuzzSeed();
  std::printf("sweep seed 0x%08X (ZELVANOOR_FUZZ_SEED replays it), %d calls\n", seed, kIterations);
  std::fflush(stdout);
  const DRIVERPROC proc = LoadCodecDriverProc();
  ASSERT_NE(proc, nullptr);
  ASSERT_TRUE(NoExchangeObjects()) << "another run holds the exchange objects";

  // Unconnected instances first: they open while nothing serves.
  std::vector<DWORD_PTR> unconnected = OpenInstances(proc);
  ASSERT_EQ(unconnected.size(), size_t(kInstancesOfEachKind));
  ServingRun run(kRegionWidth, kRegionHeight);
  ASSERT_TRUE(run.ok());
  std::vector<DWORD_PTR> connected = OpenInstances(proc);
  ASSERT_EQ(connected.size(), size_t(kInstancesOfEachKind));

  DriverSweep sweep(proc, seed, std::move(unconnected), std::move(connected));
  sweep.run(kIterations);
  sweep.closeAll();
  std::printf("frames fetched and checked: %d; frames the serving side was asked for: %u\n",
              sweep.fetchesAnswered(), unsigned(run.requests().size()));
  // The sweep reaches the fetch itself, not only the refusals in front of it.
  EXPECT_GT(sweep.fetchesAnswered(), 0);
}


TEST(DriverSweep, SurvivesRandomMessagesWhileThePluginServes) {
  InstallCrashReport();
  const uint32_t seed = FuzzSeed() + 1;
  std::printf("sweep seed 0x%08X against the plug-in, %d calls\n", seed, kIterations);
  std::fflush(stdout);
  const DRIVERPROC proc = LoadCodecDriverProc();
  ASSERT_NE(proc, nullptr);
  ASSERT_TRUE(NoExchangeObjects()) << "another run holds the exchange objects";
  std::vector<DWORD_PTR> unconnected = OpenInstances(proc);

  TempFolder folder;
  ServingPlugin run(kRegionWidth, kRegionHeight, kServedFrames, folder.file("served.avi"));
  const bool serving = run.serving();
  if (serving) {
    DriverSweep sweep(proc, seed, std::move(unconnected), OpenInstances(proc));
    sweep.run(kIterations);
    sweep.closeAll();
    std::printf("frames fetched and checked: %d; frames the host was asked for: %u\n",
                sweep.fetchesAnswered(), unsigned(TestHostRecord().fetchedFrames.size()));
    EXPECT_GT(sweep.fetchesAnswered(), 0);
  } else {
    for (DWORD_PTR id : unconnected) proc(id, nullptr, DRV_CLOSE, 0, 0);
  }
  EXPECT_TRUE(serving) << "the plug-in did not start serving";
  EXPECT_EQ(run.stop(), 1);
  for (int32_t frame : TestHostRecord().fetchedFrames)
    EXPECT_TRUE(frame >= 0 && frame < kServedFrames) << "the host was asked for frame " << frame;
}

}  // namespace
