#pragma once
#include <cstdint>
#include <string>

// Writes a bottom-up 24-bit image (rows padded to four bytes) as a BMP file.
bool WriteBmpFile(const std::string &path, const uint8_t *image, int32_t width, int32_t height);
