#pragma once
// The physical limit of one frame: the two copies it must take (host frame
// into the region, region into the client's buffer), done with memcpy in one
// process on buffers of the frame's size.
#include <cstdint>
#include <vector>

#include "prepared_frames.h"

struct CopyBench {
  PreparedFrames sources;  // as many as the serving side prepares
  std::vector<uint8_t> region, output;
  int32_t next = 0;
};

void PrepareCopyBench(CopyBench *bench, int32_t width, int32_t height, int32_t sources);
// Appends the time of the two copies of each of `frames` frames.
void CopyBatch(CopyBench *bench, int frames, std::vector<double> *samples);
