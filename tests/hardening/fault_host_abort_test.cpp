// The host ends its output run while clients are decoding. The clients get
// time-outs, not hangs or crashes, keep their decompressors open, and are
// served the right frames again once the next run is serving.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fault_setup.h"

namespace {

constexpr int kFrames = 120;
constexpr int kClients = 2;
constexpr int kThreadsPerClient = 2;
constexpr int kServedAgain = 3;  // frames each thread must get from the next run

TEST(HostAbort, ClientsTimeOutAndAreServedAgainByTheNextRun) {
  ASSERT_FALSE(CodecRegistered()) << "a run is still registered";
  TempFolder folder;
  auto first = StartHost(folder, "first.avi", kFrames);
  ASSERT_TRUE(first->ready()) << first->log();

  NamedEvent nextRun("zvstress-phase");
  std::vector<std::unique_ptr<NamedEvent>> served, noImage;
  std::vector<std::unique_ptr<StressClient>> clients;
  const DWORD bound = CallBoundMs(kClients * kThreadsPerClient);
  for (int i = 0; i < kClients; ++i) {
    served.push_back(std::make_unique<NamedEvent>("zvstress-served"));
    noImage.push_back(std::make_unique<NamedEvent>("zvstress-noimage"));
    const std::string arguments =
        ClientSource(i ? "" : first->output(), kFrames) + " --threads " +
        std::to_string(kThreadsPerClient) + " --seed " + std::to_string(i + 7) +
        " --served-event " + served.back()->name() + " --no-image-event " + noImage.back()->name() +
        " --phase-event " + nextRun.name() + " --served-after-phase " +
        std::to_string(kServedAgain) + " --call-bound-ms " + std::to_string(bound);
    clients.push_back(std::make_unique<StressClient>(arguments));
  }
  // The run ends only once it has served every client.
  for (size_t i = 0; i < clients.size(); ++i)
    ASSERT_EQ(WaitForSingleObject(served[i]->handle(), ClientStartLimit()), WAIT_OBJECT_0)
        << "never served by the first run: " << Describe(*clients[i]);

  ASSERT_TRUE(first->stop()) << "the host did not end while clients decoded: " << first->log();
  EXPECT_EQ(first->exitCode(), 0u) << first->log();
  first.reset();
  // Every client notices: its requests come back without an image.
  for (size_t i = 0; i < clients.size(); ++i) {
    EXPECT_EQ(WaitForSingleObject(noImage[i]->handle(), ScaledWait(20000)), WAIT_OBJECT_0)
        << "no time-out seen: " << Describe(*clients[i]);
    ASSERT_TRUE(clients[i]->running())
        << "ended without a run to serve it: " << Describe(*clients[i]);
  }

  const auto second = StartHost(folder, "second.avi", kFrames);
  ASSERT_TRUE(second->ready()) << second->log();
  nextRun.set();
  StressCounts total;
  for (auto &c : clients) {
    ExpectCleanEnd(*c, c->finish(ScaledWait(60000)));
    total = SumCounts(total, c->counts());
    EXPECT_GE(c->counts().afterPhaseMin, kServedAgain) << Describe(*c);
    EXPECT_GE(c->counts().noImage, 1) << Describe(*c);
    EXPECT_EQ(c->counts().overBound, 0) << "a call outlasted " << bound << " ms: " << Describe(*c);
  }
  std::printf(
      "host abort: %lld served over both runs, %lld without image, %lld wrong, "
      "longest call %lld ms\n",
      static_cast<long long>(total.served), static_cast<long long>(total.noImage),
      static_cast<long long>(total.wrong), static_cast<long long>(total.longestMs));
  ASSERT_TRUE(second->stop()) << second->log();
  EXPECT_EQ(second->exitCode(), 0u) << second->log();
}

}  // namespace
