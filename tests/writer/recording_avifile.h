#pragma once
// A stand-in for the AVIFile calls of the writer that records every call with
// its arguments (descriptions, formats and written bytes in hex) into a log
// shared with the host's callbacks. Handles are fake: "file", then "stream1",
// "stream2" in creation order.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct RecordingOptions {
  // Name of a call ("AVIFileOpenA", "AVIFileCreateStreamA", "AVIStreamWrite",
  // "MendAudioLength") and its 1-based occurrence that answers `failResult`
  // (the mend: false).
  std::string failCall;
  int failOccurrence = 0;
  HRESULT failResult = E_FAIL;
  // Count the length of streams with a sample size in chunks and refuse an
  // explicit start elsewhere, as Wine's AVIFile does.
  bool audioLengthInChunks = false;
  // Leave out the bytes of writes longer than this (silence pads).
  size_t maxBytesShown = 64;
  // A label for a written buffer ("host" for the host's own one), shown
  // before its bytes.
  std::function<std::string(const void *)> labelBuffer;
};

// Installs the stand-in for the lifetime of the object and restores the
// platform's calls afterwards.
class RecordingAviFile {
 public:
  RecordingAviFile(std::vector<std::string> *log, const RecordingOptions &options = {});
  ~RecordingAviFile();
  RecordingAviFile(const RecordingAviFile &) = delete;
  RecordingAviFile &operator=(const RecordingAviFile &) = delete;
};

std::string Hex(const void *bytes, size_t count);
