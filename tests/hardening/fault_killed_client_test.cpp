// A client process dies in the middle of its frame request: while it waits
// for the reply (the host is slow, so it is still waiting), or while it owns
// the exchange mutex. The clients queued behind it must go on being served,
// with their own frames only.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fault_setup.h"

namespace {

constexpr int kFrames = 100;
// Long enough that the victim is certainly still waiting when it is killed,
// short enough that the request queued behind it is still answered in time.
constexpr DWORD kVictimHeadStartMs = 300;

struct KilledClientCase {
  const char *name;
  const char *hostArguments;
  const char *victimArguments;  // the victim asks for a frame no survivor asks for
};

const KilledClientCase kCases[] = {
    {"WaitingForItsReply", "--slow-fetch-ms 1000", "--threads 1 --list 90"},
    {"HoldingTheMutex", "", "--hold-mutex"},
};

class KilledClient : public testing::TestWithParam<KilledClientCase> {};

TEST_P(KilledClient, TheOthersAreStillServedTheirOwnFrames) {
  ASSERT_FALSE(CodecRegistered()) << "a run is still registered";
  TempFolder folder;
  const auto host = StartHost(folder, "killed.avi", kFrames, GetParam().hostArguments);
  ASSERT_TRUE(host->ready()) << host->log();

  // The survivors open their decompressors first and wait, so that they line
  // up on the exchange mutex while the victim is inside its request.
  NamedEvent start("zvstress-start");
  const char *lists[] = {"--list 0,1,2,3", "--list 10,11,12,13"};
  std::vector<std::unique_ptr<StressClient>> survivors;
  for (int i = 0; i < 2; ++i)
    survivors.push_back(std::make_unique<StressClient>(
        ClientSource(i ? "" : host->output(), kFrames) + " --threads 2 " + lists[i] +
        " --start-event " + start.name()));
  for (auto &s : survivors) ASSERT_TRUE(s->waitReady(ClientStartLimit())) << Describe(*s);

  StressClient victim(ClientSource("", kFrames) + " " + GetParam().victimArguments);
  ASSERT_TRUE(victim.waitReady(ClientStartLimit())) << Describe(victim);
  start.set();
  Sleep(kVictimHeadStartMs);
  ASSERT_TRUE(victim.running()) << "the victim was done before it could be killed: "
                                << Describe(victim);
  victim.kill();

  StressCounts total;
  for (auto &s : survivors) {
    ExpectCleanEnd(*s, s->finish(ScaledWait(60000)));
    EXPECT_GT(s->counts().served, 0) << Describe(*s);
    total = SumCounts(total, s->counts());
  }
  // At most the one request that inherits the dead client's mutex may come
  // back without an image.
  EXPECT_EQ(total.requests, 8);
  EXPECT_LE(total.noImage, 1);
  std::printf("killed client %s: %lld served, %lld without image, %lld wrong\n", GetParam().name,
              static_cast<long long>(total.served), static_cast<long long>(total.noImage),
              static_cast<long long>(total.wrong));

  // The exchange is not left blocked: a newcomer is served too.
  StressClient newcomer(ClientSource("", kFrames) + " --threads 1 --list 50");
  ExpectCleanEnd(newcomer, newcomer.finish(ScaledWait(30000)));
  EXPECT_EQ(newcomer.counts().served, 1) << Describe(newcomer);

  ASSERT_TRUE(host->stop()) << host->log();
  EXPECT_EQ(host->exitCode(), 0u) << host->log();
}

INSTANTIATE_TEST_SUITE_P(Fault, KilledClient, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<KilledClientCase> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
