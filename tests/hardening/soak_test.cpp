// Concurrency soak: one serving host, several client processes decoding random
// frames on two threads each for a while. Every frame is checked bit for bit;
// a single wrong frame or a crashed client fails the run.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fault_setup.h"

namespace {

constexpr int kFrames = 400;
constexpr int kClients = 4;
constexpr int kThreadsPerClient = 2;
constexpr unsigned kDefaultSeconds = 30;

// ZELVANOOR_SOAK_SECONDS lengthens (or shortens) the soak.
unsigned SoakSeconds() {
  char text[16] = {};
  const DWORD n = GetEnvironmentVariableA("ZELVANOOR_SOAK_SECONDS", text, sizeof text);
  if (n == 0 || n >= sizeof text) return kDefaultSeconds;
  const long seconds = std::strtol(text, nullptr, 10);
  return seconds >= 1 && seconds <= 24 * 3600 ? unsigned(seconds) : kDefaultSeconds;
}

TEST(Soak, ManyClientThreadsGetOnlyTheFramesTheyAskFor) {
  ASSERT_FALSE(CodecRegistered()) << "a run is still registered";
  const unsigned seconds = SoakSeconds();
  TempFolder folder;
  const auto host = StartHost(folder, "soak.avi", kFrames);
  ASSERT_TRUE(host->ready()) << host->log();

  // Half the clients find the codec through the reference AVI, half open it
  // by its handler as an application that knows it would.
  const DWORD bound = CallBoundMs(kClients * kThreadsPerClient);
  std::vector<std::unique_ptr<StressClient>> clients;
  for (int i = 0; i < kClients; ++i) {
    char arguments[160];
    std::snprintf(arguments, sizeof arguments,
                  " --threads %d --seconds %u --seed %d --call-bound-ms %lu", kThreadsPerClient,
                  seconds, i + 1, static_cast<unsigned long>(bound));
    const std::string source = ClientSource(i % 2 ? "" : host->output(), kFrames);
    clients.push_back(std::make_unique<StressClient>(source + arguments));
  }
  for (auto &client : clients)
    ASSERT_TRUE(client->waitReady(ClientStartLimit())) << Describe(*client);

  StressCounts total;
  for (auto &client : clients) {
    const bool ended = client->finish(seconds * 1000u + ScaledWait(60000));
    ExpectCleanEnd(*client, ended);
    EXPECT_GT(client->counts().served, 0) << "never served: " << Describe(*client);
    EXPECT_EQ(client->counts().overBound, 0)
        << "a call outlasted " << bound << " ms: " << Describe(*client);
    total = SumCounts(total, client->counts());
  }
  std::printf(
      "soak: %u s, %d processes x %d threads: %lld frames served, %lld time-outs, "
      "%lld wrong frames, longest call %lld ms\n",
      seconds, kClients, kThreadsPerClient, static_cast<long long>(total.served),
      static_cast<long long>(total.noImage), static_cast<long long>(total.wrong),
      static_cast<long long>(total.longestMs));
  RecordProperty("frames_served", int(total.served));
  RecordProperty("time_outs", int(total.noImage));
  RecordProperty("wrong_frames", int(total.wrong));

  ASSERT_TRUE(host->stop()) << host->log();
  EXPECT_EQ(host->exitCode(), 0u) << host->log();
}

}  // namespace
