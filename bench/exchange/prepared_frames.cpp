#include "prepared_frames.h"

#include "demo_project.h"
#include "frame_image.h"

const uint8_t *PreparedFrames::image(int32_t frame) const {
  const int32_t count = int32_t(images.size());
  return images[size_t(((frame % count) + count) % count)].data();
}

PreparedFrames PrepareFrames(int32_t width, int32_t height, int32_t count) {
  PreparedFrames frames;
  frames.width = width;
  frames.height = height;
  frames.bytes = FrameImageSize(width, height);
  frames.images.resize(size_t(count));
  for (int32_t i = 0; i < count; ++i) {
    frames.images[size_t(i)].resize(size_t(frames.bytes));
    RenderDemoFrame(i, width, height, frames.images[size_t(i)].data());
  }
  return frames;
}
