#pragma once
// What zvstress decodes: the input format, the handler that picks the
// decompressor, and the token of every frame, read from the reference AVI
// through AVIFile or made up as a client that opens the codec itself does.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "stress_options.h"

struct StressSource {
  BITMAPINFOHEADER input = {};  // the compressed format, as the stream declares it
  DWORD handler = 0;            // the stream's handler, ZVNR for the reference AVI
  std::vector<int32_t> tokens;  // tokens[k]: the compressed chunk of frame k
};

bool LoadStressSource(const StressOptions &options, StressSource *source, std::string *error);
