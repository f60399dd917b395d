#pragma once
// What the two sides cost while nothing happens: a serving loop with no client
// must sleep in its 250 ms wait, and a client whose server is gone must sleep
// through its 2000 ms reply time-out; neither may spin.
#include <string>

#include "roles.h"

// Role side: opens the private idle objects and makes `requests` requests that
// nobody answers.
int RunIdleClientRole(int requests);

struct IdleRun {
  RoleReport server;  // the plug-in serving in a host; idleTurns: 250 ms polls seen
  RoleReport client;  // frames: requests that timed out
};

// Runs both for about `seconds` at once (they use different objects).
IdleRun MeasureIdle(double seconds, const std::string &folder);

// The real codec driver, opened while a host served, asked for `requests`
// frames after the host has gone.
RoleReport MeasureCodecIdle(int requests, const std::string &folder);
