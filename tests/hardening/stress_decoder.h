#pragma once
// One decompressor of zvstress, opened by the stream's handler as an
// application opens it, and the check of every frame it delivers.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <vector>

#include "stress_source.h"

enum class FrameOutcome {
  Served,   // exactly the frame asked for
  NoImage,  // the buffer still holds the canary
  Wrong,    // anything else: another frame, a torn or partial copy
  Failed,   // ICDecompress reported an error
};

class StressDecoder {
 public:
  explicit StressDecoder(const StressSource &source);
  ~StressDecoder();
  StressDecoder(const StressDecoder &) = delete;
  StressDecoder &operator=(const StressDecoder &) = delete;

  bool opened() const { return codec_ != nullptr; }
  // Decodes frame `frame` into a buffer filled with the canary first. For a
  // wrong frame, `found` gets the index the image's pixels name (-1: none).
  FrameOutcome decode(int32_t frame, int32_t *found);

 private:
  const StressSource &source_;
  HIC codec_ = nullptr;
  BITMAPINFOHEADER input_ = {};
  BITMAPINFOHEADER output_ = {};
  std::vector<uint8_t> image_;
};
