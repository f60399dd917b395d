#pragma once
// The figures of one run and the table that shows them.
#include <cstdint>
#include <string>
#include <vector>

#include "call_cost.h"
#include "clock.h"
#include "idle_cost.h"
#include "roles.h"
#include "step_probe.h"
#include "writing_speed.h"

// One path at one frame size, with the floor and the copies measured in the
// same interleaved batches.
struct PathRow {
  std::string name;
  Spread path, pingPong, copies;
  bool ok = false;
};

struct SizeFigures {
  int32_t width = 0, height = 0;
  std::vector<PathRow> rows;
};

struct LatencyRow {
  std::string name;
  Spread path, pingPong;
  bool ok = false;
};

// Calls per frame of one side of one path.
struct CallsRow {
  std::string name;
  RoleReport report;
  int contractMinimum = 0;
};

struct Figures {
  std::vector<SizeFigures> sizes;
  std::vector<LatencyRow> latency;
  std::vector<CallsRow> calls;  // also carry the allocation watch
  int watchedFrames = 0;
  ProbeRun steps[4];     // 1x1 contract, 1x1 with check, 1080p contract, 1080p with check
  IdleRun idle;          // server: the plug-in in a host; client: the client role
  RoleReport codecIdle;  // the real codec, connected, host gone
  WritingFigures writing;
  std::vector<CallCost> callCosts;
};

void PrintFigures(const Figures &figures);
