#pragma once
// Reads an AVI file back through the platform's own AVIFile reading calls.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

struct StreamReadback {
  AVISTREAMINFOA info = {};
  std::vector<uint8_t> format;  // as AVIStreamReadFormat gives it
  LONG start = 0;
  LONG length = 0;
  // Video: the payload of each sample n, read at position n. Audio: empty.
  std::vector<std::vector<uint8_t>> samples;
  // Audio: every sample from start to start + length, in order.
  std::vector<uint8_t> data;
};

struct AviReadback {
  bool opened = false;
  std::vector<StreamReadback> streams;
};

AviReadback ReadAvi(const std::string &path);

// A video stream's samples as the frame tokens they hold (-1 for a sample
// that is not four bytes long).
std::vector<int32_t> Tokens(const StreamReadback &video);
