#pragma once
// The demo project that the reference host serves, and that clients and tests
// check against: every frame and every audio sample is a pure function of its
// index, computed in integers so that both builds produce the same bytes.
#include <cstdint>

struct DemoProject {
  int32_t width = 640;
  int32_t height = 360;
  uint32_t rate = 30000;
  uint32_t scale = 1001;
  int32_t frameCount = 300;
  uint32_t audioSampleRate = 48000;
  uint16_t audioChannels = 2;  // 16-bit PCM: audioBlockSize = 2 * channels
};

// Writes the frame image of frame `frame` (24-bit BGR, bottom-up, rows padded
// to four bytes with zeros): FrameImageSize(width, height) bytes.
void RenderDemoFrame(int32_t frame, int32_t width, int32_t height, uint8_t *image);

// True when `image` holds exactly the demo frame `frame`; otherwise, when
// `foundFrame` is given, stores the frame index that the image's pixels encode
// (or -1 when they encode none).
bool IsDemoFrame(const uint8_t *image, int32_t frame, int32_t width, int32_t height,
                 int32_t *foundFrame = nullptr);

// Sample `channel` of sample frame `sampleFrame`: a triangle tone of 440 Hz on
// channel 0, 660 Hz on channel 1, 880 Hz on the next, and so on.
int16_t DemoAudioSample(int64_t sampleFrame, int channel, uint32_t sampleRate);

// Fills `count` interleaved sample frames starting at `firstSampleFrame`.
void RenderDemoAudio(int64_t firstSampleFrame, int32_t count, int channels, uint32_t sampleRate,
                     int16_t *samples);
