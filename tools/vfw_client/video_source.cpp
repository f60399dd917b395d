#include "video_source.h"

#include <cstdio>

std::string FourCCText(DWORD code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = char(code >> (8 * i));
    text += (c >= 32 && c < 127) ? c : '?';
  }
  return text;
}

bool OpenVideoSource(const char *path, VideoSource *source, std::string *error) {
  char text[128];
  HRESULT result = AVIFileOpenA(&source->file, path, OF_READ | OF_SHARE_DENY_NONE, nullptr);
  if (result != AVIERR_OK) {
    std::snprintf(text, sizeof text, "AVIFileOpen failed (0x%08lX)", (unsigned long)result);
    *error = text;
    return false;
  }
  result = AVIFileGetStream(source->file, &source->stream, streamtypeVIDEO, 0);
  if (result != AVIERR_OK) {
    *error = "the file has no video stream";
    return false;
  }
  AVIStreamInfoA(source->stream, &source->info, sizeof source->info);
  const LONG start = AVIStreamStart(source->stream);
  LONG size = 0;
  AVIStreamReadFormat(source->stream, start, nullptr, &size);
  if (size >= LONG(sizeof(BITMAPINFOHEADER))) {
    source->format.assign(size_t(size), 0);
    result = AVIStreamReadFormat(source->stream, start, source->format.data(), &size);
  }
  if (size < LONG(sizeof(BITMAPINFOHEADER)) || result != AVIERR_OK) {
    *error = "the video stream has no bitmap format";
    return false;
  }
  return true;
}

void CloseVideoSource(VideoSource *source) {
  if (source->stream) AVIStreamRelease(source->stream);
  if (source->file) AVIFileRelease(source->file);
  source->stream = nullptr;
  source->file = nullptr;
}
