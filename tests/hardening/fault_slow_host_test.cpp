// A host that renders slower than the clients wait: every request runs into
// the reply time-out, and the late reply lands while the next client already
// waits for its own. No client may take that reply for its own frame, and no
// call may hang.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fault_setup.h"

namespace {

constexpr int kFrames = 100;
constexpr int kClients = 2;
constexpr int kThreadsPerClient = 2;

TEST(SlowHost, LateRepliesNeverReachTheWrongClient) {
  ASSERT_FALSE(CodecRegistered()) << "a run is still registered";
  TempFolder folder;
  const auto host = StartHost(folder, "slow.avi", kFrames, "--slow-fetch-ms 2500");
  ASSERT_TRUE(host->ready()) << host->log();

  // Every thread of every client asks for frames nobody else asks for.
  NamedEvent start("zvstress-start");
  const char *lists[kClients] = {"--list 20,21,22,23", "--list 40,41,42,43"};
  const DWORD bound = CallBoundMs(kClients * kThreadsPerClient);
  std::vector<std::unique_ptr<StressClient>> clients;
  for (int i = 0; i < kClients; ++i)
    clients.push_back(std::make_unique<StressClient>(
        ClientSource(i ? "" : host->output(), kFrames) + " --threads " +
        std::to_string(kThreadsPerClient) + " " + lists[i] + " --start-event " + start.name() +
        " --call-bound-ms " + std::to_string(bound)));
  for (auto &c : clients) ASSERT_TRUE(c->waitReady(ClientStartLimit())) << Describe(*c);
  start.set();

  StressCounts total;
  for (auto &c : clients) {
    ExpectCleanEnd(*c, c->finish(ScaledWait(90000)));
    EXPECT_EQ(c->counts().requests, 4) << Describe(*c);
    EXPECT_EQ(c->counts().overBound, 0) << "a call outlasted " << bound << " ms: " << Describe(*c);
    total = SumCounts(total, c->counts());
  }
  std::printf(
      "slow host: %lld requests, %lld served, %lld without image, %lld wrong, "
      "longest call %lld ms\n",
      static_cast<long long>(total.requests), static_cast<long long>(total.served),
      static_cast<long long>(total.noImage), static_cast<long long>(total.wrong),
      static_cast<long long>(total.longestMs));
  ASSERT_TRUE(host->stop()) << host->log();
  EXPECT_EQ(host->exitCode(), 0u) << host->log();
}

}  // namespace
