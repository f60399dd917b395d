#pragma once
// Writing the reference AVI of a long project with audio, next to writing the
// same number of bytes with plain WriteFile in as many pieces.
#include <cstdint>
#include <string>

struct WritingFigures {
  bool ok = false;
  int32_t frames = 0;
  int64_t fileBytes = 0;
  double writerSeconds = 0;  // the plug-in's writing phase, from its first progress report
  double plainSeconds = 0;   // WriteFile of the same bytes, two pieces per frame
};

WritingFigures MeasureWriting(int32_t frames, const std::string &folder);
