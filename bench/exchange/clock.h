#pragma once
// Time stamps and the summary of a run of samples. The performance counter is
// read in user mode, so timing one frame adds no kernel call to the frame.
#include <vector>

double NowSeconds();

struct Spread {
  double median = 0;
  double p99 = 0;
  double mean = 0;
  int count = 0;
};

// Summary of the samples (seconds); sorts its own copy.
Spread Summarize(std::vector<double> samples);
