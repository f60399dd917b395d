#pragma once
// Decoding video frames through the system's decompressor, in one of the two
// ways applications do it.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "video_source.h"

enum class DecodePath {
  GetFrame,      // AVIStreamGetFrameOpen/AVIStreamGetFrame: AVIFile finds the decompressor
  IcDecompress,  // ICOpen by the stream's handler, then ICDecompress on each chunk
};

struct FrameDecoder {
  DecodePath path = DecodePath::GetFrame;
  PGETFRAME getFrame = nullptr;
  HIC codec = nullptr;
  BITMAPINFOHEADER output = {};  // 24-bit BI_RGB of the stream's size
  std::vector<uint8_t> chunk;    // IcDecompress: the compressed frame read from the stream
  std::vector<uint8_t> image;    // IcDecompress: the decoded frame
};

// Asks for 24-bit output of the stream's size. False with a message when the
// system finds no decompressor that accepts it.
bool OpenFrameDecoder(VideoSource &source, DecodePath path, FrameDecoder *decoder,
                      std::string *error);

// The decoded image of `frame` (bottom-up 24-bit rows padded to four bytes),
// valid until the next call; null with a message on failure.
const uint8_t *DecodeFrame(VideoSource &source, FrameDecoder &decoder, int32_t frame,
                           std::string *error);

void CloseFrameDecoder(FrameDecoder *decoder);
