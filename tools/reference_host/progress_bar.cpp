#include "progress_bar.h"

#include <cstdio>

namespace {

constexpr int kBarWidth = 40;
int drawnCells = -1;

}  // namespace

void DrawProgress(int32_t position, int32_t total) {
  const int cells = total > 0 ? int(int64_t(position) * kBarWidth / total) : kBarWidth;
  if (cells == drawnCells) return;
  drawnCells = cells;
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < cells ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::printf("\rwriting [%s] %ld/%ld", bar, long(position), long(total));
  std::fflush(stdout);
}

void EndProgress() {
  if (drawnCells >= 0) std::printf("\n");
  drawnCells = -1;
}
