#include "stress_report.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr char kPrefix[] = "zvstress: requests=";
constexpr char kFormat[] =
    "zvstress: requests=%" SCNd64 " served=%" SCNd64 " noimage=%" SCNd64 " wrong=%" SCNd64
    " errors=%" SCNd64 " after_phase_min=%" SCNd64 " longest_ms=%" SCNd64 " over_bound=%" SCNd64;

}  // namespace

std::string FormatStressReport(const StressCounts &c) {
  char line[320];
  std::snprintf(line, sizeof line,
                "zvstress: requests=%" PRId64 " served=%" PRId64 " noimage=%" PRId64
                " wrong=%" PRId64 " errors=%" PRId64 " after_phase_min=%" PRId64
                " longest_ms=%" PRId64 " over_bound=%" PRId64,
                c.requests, c.served, c.noImage, c.wrong, c.errors, c.afterPhaseMin, c.longestMs,
                c.overBound);
  return line;
}

bool ParseStressReport(const std::string &output, StressCounts *counts) {
  const size_t at = output.rfind(kPrefix);
  if (at == std::string::npos) return false;
  StressCounts c;
  const int fields = std::sscanf(output.c_str() + at, kFormat, &c.requests, &c.served, &c.noImage,
                                 &c.wrong, &c.errors, &c.afterPhaseMin, &c.longestMs, &c.overBound);
  if (fields != 8) return false;
  *counts = c;
  return true;
}
