#pragma once
// The video stream of an AVI file, opened through AVIFile as any Video for
// Windows application opens it.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

struct VideoSource {
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr;
  AVISTREAMINFOA info = {};
  std::vector<uint8_t> format;  // the stream's format, as the file declares it

  BITMAPINFOHEADER *header() { return reinterpret_cast<BITMAPINFOHEADER *>(format.data()); }
};

// Opens the first video stream of `path`. AVIFileInit must have been called.
bool OpenVideoSource(const char *path, VideoSource *source, std::string *error);
void CloseVideoSource(VideoSource *source);

// "ZVNR" from a four-character code, for messages.
std::string FourCCText(DWORD code);
