#pragma once
// The floor the platform gives a two-process request/reply: one named event
// set by each side and waited on by the other, nothing else. The partner
// process stays up for the whole run, so ping-pong batches can be interleaved
// with the other measurements and see the same load.
#include <windows.h>

#include <vector>

#include "roles.h"

// Role side: answers every ping with a pong until told to stop.
int RunPongRole();

struct PongPartner {
  HANDLE process = nullptr;
  HANDLE ping = nullptr, pong = nullptr;
  HANDLE controlMapping = nullptr;
  Control *control = nullptr;
};

bool StartPongPartner(PongPartner *partner);
// Appends the time of each of `rounds` round trips; false when the partner fails.
bool PingPongBatch(PongPartner *partner, int rounds, std::vector<double> *samples);
void StopPongPartner(PongPartner *partner);
