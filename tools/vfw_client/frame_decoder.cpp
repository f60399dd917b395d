#include "frame_decoder.h"

#include <cstdio>

namespace {

int32_t ImageBytes(const BITMAPINFOHEADER &format) {
  return (format.biWidth * 3 + 3) / 4 * 4 * format.biHeight;
}

bool OpenCodec(VideoSource &source, FrameDecoder *decoder, std::string *error) {
  // As an application that picks the decompressor itself: by the stream's
  // handler, falling back to the format's compression.
  BITMAPINFOHEADER *input = source.header();
  decoder->codec = ICOpen(ICTYPE_VIDEO, source.info.fccHandler, ICMODE_DECOMPRESS);
  if (!decoder->codec)
    decoder->codec = ICLocate(ICTYPE_VIDEO, 0, input, &decoder->output, ICMODE_DECOMPRESS);
  if (!decoder->codec) {
    *error = "no decompressor for " + FourCCText(input->biCompression) + " (is the host serving?)";
    return false;
  }
  if (ICDecompressQuery(decoder->codec, input, &decoder->output) != ICERR_OK ||
      ICDecompressBegin(decoder->codec, input, &decoder->output) != ICERR_OK) {
    *error = "the decompressor refuses 24-bit output";
    return false;
  }
  decoder->image.assign(size_t(ImageBytes(decoder->output)), 0);
  return true;
}

}  // namespace

bool OpenFrameDecoder(VideoSource &source, DecodePath path, FrameDecoder *decoder,
                      std::string *error) {
  const BITMAPINFOHEADER &input = *source.header();
  decoder->path = path;
  decoder->output.biSize = sizeof decoder->output;
  decoder->output.biWidth = input.biWidth;
  decoder->output.biHeight = input.biHeight;
  decoder->output.biPlanes = 1;
  decoder->output.biBitCount = 24;
  decoder->output.biCompression = BI_RGB;
  decoder->output.biSizeImage = DWORD(ImageBytes(decoder->output));
  if (path == DecodePath::IcDecompress) return OpenCodec(source, decoder, error);
  decoder->getFrame = AVIStreamGetFrameOpen(source.stream, &decoder->output);
  if (!decoder->getFrame) {
    *error = "AVIStreamGetFrameOpen found no decompressor for " + FourCCText(input.biCompression) +
             " to 24 bits (is the host serving?)";
    return false;
  }
  return true;
}

const uint8_t *DecodeFrame(VideoSource &source, FrameDecoder &decoder, int32_t frame,
                           std::string *error) {
  char text[160];
  if (decoder.path == DecodePath::GetFrame) {
    const auto *packed =
        static_cast<const BITMAPINFOHEADER *>(AVIStreamGetFrame(decoder.getFrame, frame));
    if (!packed) {
      std::snprintf(text, sizeof text, "AVIStreamGetFrame gave nothing for frame %ld", long(frame));
      *error = text;
      return nullptr;
    }
    if (packed->biBitCount != 24 || packed->biWidth != decoder.output.biWidth ||
        packed->biHeight != decoder.output.biHeight) {
      std::snprintf(text, sizeof text, "frame %ld came as %ldx%ld, %u bits", long(frame),
                    long(packed->biWidth), long(packed->biHeight), unsigned(packed->biBitCount));
      *error = text;
      return nullptr;
    }
    // A packed bitmap: header, colour table (none at 24 bits unless declared), bits.
    return reinterpret_cast<const uint8_t *>(packed) + packed->biSize +
           packed->biClrUsed * sizeof(RGBQUAD);
  }

  LONG bytes = 0;
  AVIStreamRead(source.stream, frame, 1, nullptr, 0, &bytes, nullptr);
  decoder.chunk.assign(size_t(bytes > 4 ? bytes : 4), 0);
  LONG samples = 0;
  if (AVIStreamRead(source.stream, frame, 1, decoder.chunk.data(), LONG(decoder.chunk.size()),
                    &bytes, &samples) != AVIERR_OK) {
    std::snprintf(text, sizeof text, "AVIStreamRead failed for frame %ld", long(frame));
    *error = text;
    return nullptr;
  }
  BITMAPINFOHEADER input = *source.header();
  input.biSizeImage = DWORD(bytes);
  const DWORD result = ICDecompress(decoder.codec, 0, &input, decoder.chunk.data(), &decoder.output,
                                    decoder.image.data());
  if (result != ICERR_OK) {
    std::snprintf(text, sizeof text, "ICDecompress failed for frame %ld (%ld)", long(frame),
                  long(LONG(result)));
    *error = text;
    return nullptr;
  }
  return decoder.image.data();
}

void CloseFrameDecoder(FrameDecoder *decoder) {
  if (decoder->getFrame) AVIStreamGetFrameClose(decoder->getFrame);
  if (decoder->codec) {
    ICDecompressEnd(decoder->codec);
    ICClose(decoder->codec);
  }
  decoder->getFrame = nullptr;
  decoder->codec = nullptr;
}
