#pragma once
// The one-line tally that zvstress prints at its end and the tests read back.
#include <cstdint>
#include <string>

struct StressCounts {
  int64_t requests = 0;
  int64_t served = 0;         // the exact frame asked for
  int64_t noImage = 0;        // the canary was left untouched
  int64_t wrong = 0;          // any other content: another frame, a torn copy
  int64_t errors = 0;         // ICDecompress reported failure
  int64_t afterPhaseMin = 0;  // fewest frames any thread was served after the phase event
  int64_t longestMs = 0;
  int64_t overBound = 0;  // calls longer than --call-bound-ms
};

// "zvstress: requests=N served=N ..." without a line end.
std::string FormatStressReport(const StressCounts &counts);

// Reads the last report line of a client's output; false when there is none.
bool ParseStressReport(const std::string &output, StressCounts *counts);
