#include "avi_length_mend.h"

#include <windows.h>

#include "avi_header_scan.h"

namespace {

// The headers lie at the start of the file: a few hundred bytes, padded to
// 2 KiB by AVIFile.
constexpr DWORD kHeadBytes = 16384;

bool ReadHead(HANDLE file, uint8_t *head, size_t *size) {
  DWORD read = 0;
  if (!ReadFile(file, head, kHeadBytes, &read, nullptr)) return false;
  *size = read;
  return true;
}

bool WriteWordAt(HANDLE file, int64_t offset, uint32_t value) {
  if (SetFilePointer(file, LONG(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return false;
  const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                            uint8_t(value >> 24)};
  DWORD written = 0;
  return WriteFile(file, bytes, sizeof bytes, &written, nullptr) && written == sizeof bytes;
}

}  // namespace

bool MendAudioLength(const char *path, uint32_t frames) {
  // Nobody else should have the file open while its header changes.
  const HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint8_t head[kHeadBytes];
  size_t size = 0;
  int64_t offset = -1;
  if (ReadHead(file, head, &size)) offset = FindAudioLengthField(head, size);
  const bool written = offset >= 0 && WriteWordAt(file, offset, frames);
  // Closing may still report a failed write.
  const bool closed = CloseHandle(file) != 0;
  return written && closed;
}
