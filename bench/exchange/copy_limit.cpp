#include "copy_limit.h"

#include <cstring>

#include "clock.h"

// Keeps the copies observable so that the compiler cannot drop them.
volatile uint8_t copySink;

void PrepareCopyBench(CopyBench *bench, int32_t width, int32_t height, int32_t sources) {
  bench->sources = PrepareFrames(width, height, sources);
  bench->region.assign(size_t(bench->sources.bytes), 0);
  bench->output.assign(size_t(bench->sources.bytes), 0);
  bench->next = 0;
}

void CopyBatch(CopyBench *bench, int frames, std::vector<double> *samples) {
  const size_t bytes = size_t(bench->sources.bytes);
  for (int i = 0; i < frames; ++i) {
    const double start = NowSeconds();
    std::memcpy(bench->region.data(), bench->sources.image(bench->next++), bytes);
    std::memcpy(bench->output.data(), bench->region.data(), bytes);
    samples->push_back(NowSeconds() - start);
  }
  copySink = bench->output[bytes / 2];
}
