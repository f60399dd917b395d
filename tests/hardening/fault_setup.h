#pragma once
// What the soak and fault tests share: the project the host serves, the
// clients' view of it and the bounds of the tests' own waits.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "exchange.h"
#include "fault_host.h"
#include "stress_launch.h"
#include "test_support.h"
#include "time_scale.h"

constexpr int kFaultWidth = 64, kFaultHeight = 48;

// The host serving a project of `frames` frames of the tests' size, writing its
// reference AVI as `file` in `folder`.
inline std::unique_ptr<ServingHost> StartHost(const TempFolder &folder, const char *file,
                                              int frames, const std::string &extraArguments = "") {
  return std::make_unique<ServingHost>(folder.file(file), kFaultWidth, kFaultHeight, frames,
                                       extraArguments);
}

// A client of the running project: through its reference AVI, or (empty
// path) by opening the codec for the project's frame size itself.
inline std::string ClientSource(const std::string &aviPath, int frames) {
  if (!aviPath.empty()) return "--avi \"" + aviPath + "\"";
  char text[96];
  std::snprintf(text, sizeof text, "--width %d --height %d --frames %d", kFaultWidth, kFaultHeight,
                frames);
  return text;
}

// The longest one decompression may take when `callers` calls compete for the
// exchange: each waits behind the others for at most one reply time-out, plus
// slack for a loaded machine.
inline DWORD CallBoundMs(int callers) {
  return DWORD(callers) * kClientReplyTimeoutMs + ScaledWait(3000);
}

// How long a test waits for a client to start or for one with a known amount
// of work to end.
inline DWORD ClientStartLimit() {
  return ScaledWait(30000);
}

inline std::string Describe(StressClient &client) {
  return "zvstress " + client.arguments() + "\n" + client.output();
}

// Checks that ended, exited cleanly and reported no wrong frame.
inline void ExpectCleanEnd(StressClient &client, bool ended) {
  EXPECT_TRUE(ended) << "hung: " << Describe(client);
  EXPECT_TRUE(client.reported()) << Describe(client);
  EXPECT_EQ(client.exitCode(), 0u) << Describe(client);
  EXPECT_EQ(client.counts().wrong, 0) << Describe(client);
  EXPECT_EQ(client.counts().errors, 0) << Describe(client);
}
