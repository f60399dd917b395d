#include "clock.h"

#include <windows.h>

#include <algorithm>
#include <numeric>

double NowSeconds() {
  static const double tick = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1.0 / double(frequency.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * tick;
}

Spread Summarize(std::vector<double> samples) {
  Spread spread;
  if (samples.empty()) return spread;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  spread.count = int(n);
  spread.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  spread.p99 = samples[std::min(n - 1, n * 99 / 100)];
  spread.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / double(n);
  return spread;
}
