#include "stress_decoder.h"

#include <algorithm>

#include "demo_project.h"
#include "frame_image.h"

namespace {

// No demo frame is a single byte value throughout: its pattern changes along
// every row.
constexpr uint8_t kCanary = 0xA5;

}  // namespace

StressDecoder::StressDecoder(const StressSource &source) : source_(source), input_(source.input) {
  output_.biSize = sizeof output_;
  output_.biWidth = input_.biWidth;
  output_.biHeight = input_.biHeight;
  output_.biPlanes = 1;
  output_.biBitCount = 24;
  output_.biCompression = BI_RGB;
  output_.biSizeImage = DWORD(FrameImageSize(output_.biWidth, output_.biHeight));
  image_.resize(output_.biSizeImage);
  codec_ = ICOpen(ICTYPE_VIDEO, source.handler, ICMODE_DECOMPRESS);
  if (codec_ && ICDecompressBegin(codec_, &input_, &output_) != ICERR_OK) {
    ICClose(codec_);
    codec_ = nullptr;
  }
}

StressDecoder::~StressDecoder() {
  if (!codec_) return;
  ICDecompressEnd(codec_);
  ICClose(codec_);
}

FrameOutcome StressDecoder::decode(int32_t frame, int32_t *found) {
  std::fill(image_.begin(), image_.end(), kCanary);
  int32_t token = source_.tokens[size_t(frame)];
  input_.biSizeImage = sizeof token;
  if (ICDecompress(codec_, 0, &input_, &token, &output_, image_.data()) != ICERR_OK)
    return FrameOutcome::Failed;
  if (std::all_of(image_.begin(), image_.end(), [](uint8_t b) { return b == kCanary; }))
    return FrameOutcome::NoImage;
  *found = -1;
  return IsDemoFrame(image_.data(), frame, output_.biWidth, output_.biHeight, found)
             ? FrameOutcome::Served
             : FrameOutcome::Wrong;
}
