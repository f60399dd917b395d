#include "demo_project.h"

#include <cstring>

namespace {

int32_t RowBytes(int32_t width) { return (width * 3 + 3) / 4 * 4; }

// The first pixels of row 0 (the bottom row) carry the frame index in plain
// bytes, so a wrong frame can be named; the rest is a moving gradient.
uint8_t PatternByte(int32_t frame, int32_t x, int32_t y, int component) {
  const uint32_t f = uint32_t(frame);
  switch (component) {
    case 0: return uint8_t(x + f * 3);
    case 1: return uint8_t(y + f * 5);
    default: return uint8_t((x ^ y) + f * 7);
  }
}

}  // namespace

void RenderDemoFrame(int32_t frame, int32_t width, int32_t height, uint8_t *image) {
  const int32_t rowBytes = RowBytes(width);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t *row = image + int64_t(rowBytes) * y;
    for (int32_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        row[x * 3 + c] = PatternByte(frame, x, y, c);
    std::memset(row + width * 3, 0, size_t(rowBytes - width * 3));
  }
  // Frame index, little-endian, in the first four bytes when they exist.
  if (height > 0 && width * 3 >= 4)
    std::memcpy(image, &frame, 4);
}

bool IsDemoFrame(const uint8_t *image, int32_t frame, int32_t width, int32_t height,
                 int32_t *foundFrame) {
  const int32_t rowBytes = RowBytes(width);
  bool same = true;
  for (int32_t y = 0; y < height && same; ++y) {
    const uint8_t *row = image + int64_t(rowBytes) * y;
    for (int32_t x = 0; x < width && same; ++x)
      for (int c = 0; c < 3; ++c) {
        const int32_t offset = x * 3 + c;
        if (y == 0 && offset < 4 && width * 3 >= 4)
          continue;  // the index bytes, checked below
        if (row[offset] != PatternByte(frame, x, y, c)) {
          same = false;
          break;
        }
      }
    for (int32_t i = width * 3; i < rowBytes && same; ++i)
      same = row[i] == 0;
  }
  if (same && height > 0 && width * 3 >= 4) {
    int32_t encoded;
    std::memcpy(&encoded, image, 4);
    same = encoded == frame;
  }
  if (!same && foundFrame) {
    *foundFrame = -1;
    if (height > 0 && width * 3 >= 4)
      std::memcpy(foundFrame, image, 4);
  }
  return same;
}

int16_t DemoAudioSample(int64_t sampleFrame, int channel, uint32_t sampleRate) {
  // Phase in 1/65536 of a period; a triangle of amplitude 8000.
  const int64_t frequency = 440 + 220 * int64_t(channel);
  const int64_t phase = (sampleFrame * frequency * 65536 / int64_t(sampleRate)) & 0xFFFF;
  const int64_t ramp = phase < 32768 ? phase : 65536 - phase;  // 0 .. 32768
  return int16_t(ramp * 16000 / 32768 - 8000);
}

void RenderDemoAudio(int64_t firstSampleFrame, int32_t count, int channels, uint32_t sampleRate,
                     int16_t *samples) {
  for (int32_t i = 0; i < count; ++i)
    for (int c = 0; c < channels; ++c)
      samples[int64_t(i) * channels + c] = DemoAudioSample(firstSampleFrame + i, c, sampleRate);
}
