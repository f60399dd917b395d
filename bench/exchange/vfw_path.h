#pragma once
// The full client path as Video for Windows applications take it: through
// ICDecompress on a codec opened by its handler, and through AVIStreamGetFrame
// on the reference AVI. Both load the real codec driver into this process.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <vector>

#include "roles.h"

struct VfwClient {
  int32_t width = 0, height = 0;
  int32_t frames = 0;  // distinct frames to cycle through (a cached frame would cost nothing)
  HIC codec = nullptr;
  BITMAPINFOHEADER input = {}, output = {};
  std::vector<uint8_t> image;
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr;
  PGETFRAME getFrame = nullptr;
  int32_t nextDecompress = 0, nextGetFrame = 0;
  bool decompressOk = true, getFrameOk = true;
  RoleReport decompress, getFrameReport;  // frames and calls of each path
  int watchFrom = 0;                      // memory watch of the ICDecompress path
};

// Routes the imports of the platform's Video for Windows modules through the
// counters (once per process, after they are loaded).
void CountPlatformCalls();

bool OpenVfwClient(VfwClient *client, const char *aviPath, int32_t width, int32_t height,
                   int32_t frames);
void DecompressBatch(VfwClient *client, int frames, std::vector<double> *samples);
void GetFrameBatch(VfwClient *client, int frames, std::vector<double> *samples);
void CloseVfwClient(VfwClient *client);
