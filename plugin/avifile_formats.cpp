#include "avifile_formats.h"

#include <cstring>

#include "fourcc.h"

AVISTREAMINFOA VideoStreamInfo(int32_t width, int32_t height, uint32_t rate, uint32_t scale) {
  AVISTREAMINFOA info;
  std::memset(&info, 0, sizeof info);
  info.fccType = kFourCCVids;
  info.fccHandler = kFourCCZvnr;
  info.dwScale = scale;
  info.dwRate = rate;
  info.rcFrame.left = 0;
  info.rcFrame.top = 0;
  info.rcFrame.right = width;
  info.rcFrame.bottom = height;
  return info;
}

BITMAPINFOHEADER VideoFormat(int32_t width, int32_t height) {
  BITMAPINFOHEADER format;
  std::memset(&format, 0, sizeof format);
  format.biSize = sizeof format;
  format.biWidth = width;
  format.biHeight = height;
  format.biPlanes = 1;
  format.biBitCount = 24;
  format.biCompression = kFourCCZvnr;
  format.biSizeImage = 0;
  return format;
}

AVISTREAMINFOA AudioStreamInfo(uint32_t blockSize, uint32_t sampleRate) {
  AVISTREAMINFOA info;
  std::memset(&info, 0, sizeof info);
  info.fccType = kFourCCAuds;
  info.fccHandler = 0;
  info.dwScale = blockSize;
  info.dwRate = blockSize * sampleRate;
  info.dwSampleSize = blockSize;
  return info;
}

WAVEFORMATEX AudioFormat(uint32_t channels, uint32_t blockSize, uint32_t sampleRate) {
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = WORD(channels & 0xFFFF);
  format.nSamplesPerSec = sampleRate;
  format.nAvgBytesPerSec = sampleRate * blockSize;
  format.nBlockAlign = WORD(blockSize & 0xFFFF);
  format.wBitsPerSample = 16;
  format.cbSize = 0;
  return format;
}

bool AudioRateFits(uint32_t blockSize, uint32_t sampleRate) {
  return uint64_t(blockSize) * sampleRate <= UINT32_MAX;
}

int32_t AudioByteCount(int32_t frames, uint32_t blockSize) {
  const int64_t bytes = int64_t(frames) * int64_t(blockSize);
  if (frames < 0 || bytes > INT32_MAX) return -1;
  return int32_t(bytes);
}
