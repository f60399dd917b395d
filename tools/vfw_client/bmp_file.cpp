#include "bmp_file.h"

#include <windows.h>

#include <cstdio>

bool WriteBmpFile(const std::string &path, const uint8_t *image, int32_t width, int32_t height) {
  const DWORD imageBytes = DWORD((width * 3 + 3) / 4 * 4 * height);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageBytes;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageBytes;
  FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                  std::fwrite(&info, sizeof info, 1, out) == 1 &&
                  std::fwrite(image, 1, imageBytes, out) == imageBytes;
  return std::fclose(out) == 0 && ok;
}
