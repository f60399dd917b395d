#include "stress_source.h"

// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include "fourcc.h"

namespace {

void MadeUpSource(const StressOptions &options, StressSource *source) {
  source->handler = kFourCCZvnr;
  source->input.biSize = sizeof source->input;
  source->input.biWidth = options.width;
  source->input.biHeight = options.height;
  source->input.biPlanes = 1;
  source->input.biBitCount = 24;
  source->input.biCompression = source->handler;
  source->input.biSizeImage = 4;
  source->tokens.resize(size_t(options.frames));
  for (int32_t k = 0; k < options.frames; ++k) source->tokens[size_t(k)] = k;
}

bool ReadStream(PAVISTREAM stream, StressSource *source, std::string *error) {
  AVISTREAMINFOA info = {};
  LONG size = sizeof source->input;
  if (AVIStreamInfoA(stream, &info, sizeof info) != AVIERR_OK ||
      AVIStreamReadFormat(stream, 0, &source->input, &size) != AVIERR_OK) {
    *error = "the video stream has no readable format";
    return false;
  }
  source->handler = info.fccHandler;
  const LONG length = AVIStreamLength(stream);
  for (LONG k = 0; k < length; ++k) {
    int32_t token = -1;
    LONG bytes = 0;
    if (AVIStreamRead(stream, k, 1, &token, sizeof token, &bytes, nullptr) != AVIERR_OK ||
        bytes != sizeof token) {
      *error = "a video chunk is not a four-byte token";
      return false;
    }
    source->tokens.push_back(token);
  }
  if (source->tokens.empty()) *error = "the video stream is empty";
  return !source->tokens.empty();
}

}  // namespace

bool LoadStressSource(const StressOptions &options, StressSource *source, std::string *error) {
  if (options.aviPath.empty()) {
    MadeUpSource(options, source);
    return true;
  }
  AVIFileInit();
  PAVISTREAM stream = nullptr;
  bool ok = false;
  if (AVIStreamOpenFromFileA(&stream, options.aviPath.c_str(), streamtypeVIDEO, 0, OF_READ,
                             nullptr) != AVIERR_OK)
    *error = "cannot open the video stream of " + options.aviPath;
  else
    ok = ReadStream(stream, source, error);
  if (stream) AVIStreamRelease(stream);
  AVIFileExit();
  return ok;
}
