#pragma once
// The figures of one run and the table that shows them.
#include <cstdint>
#include <vector>

#include "clock.h"
#include "idle_cost.h"
#include "roles.h"
#include "step_probe.h"

struct SizeFigures {
  int32_t width = 0, height = 0;
  Spread pingPong;  // bare two-process event round trip, interleaved with the rest
  Spread copies;    // the two memcpy of one frame
  Spread exchange;  // one request through the exchange roles
  bool exchangeOk = false;
};

struct LatencyFigures {
  Spread pingPong, exchange;
  bool ok = false;
  RoleReport client, server;
  int watchedFrames = 0;
};

struct Figures {
  std::vector<SizeFigures> sizes;
  LatencyFigures latency;
  ProbeRun steps[4];  // 1x1 contract, 1x1 with guard, 1080p contract, 1080p with guard
  IdleRun idle;
};

void PrintFigures(const Figures &figures);
