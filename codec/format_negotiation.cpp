// Which pairs of formats the codec decodes: ZVNR token video in, a 24-bit
// bitmap of the same size out (or the tokens themselves, passed through).
#include <cstring>

#include "codec_instance.h"
#include "fourcc.h"

namespace {

// The one ordered list of checks behind QUERY and BEGIN. A query may leave the
// output open ("can you decode this at all?"); a begin may not.
LRESULT CheckFormats(const BITMAPINFOHEADER *input, const BITMAPINFOHEADER *output,
                     bool outputRequired) {
  if (!input) return ICERR_BADFORMAT;
  if (input->biCompression != kFourCCZvnr) return ICERR_BADFORMAT;
  if (!output) return outputRequired ? ICERR_BADFORMAT : ICERR_OK;
  if (output->biCompression != BI_RGB && output->biCompression != kFourCCZvnr)
    return ICERR_BADFORMAT;
  if (output->biBitCount != 24) return ICERR_BADFORMAT;
  if (output->biWidth != input->biWidth) return ICERR_BADFORMAT;
  if (output->biHeight != input->biHeight) return ICERR_BADFORMAT;
  return ICERR_OK;
}

}  // namespace

LRESULT CodecInstance::DecompressQuery(const BITMAPINFOHEADER *input,
                                       const BITMAPINFOHEADER *output) {
  return CheckFormats(input, output, false);
}

LRESULT CodecInstance::DecompressGetFormat(const BITMAPINFOHEADER *input,
                                           BITMAPINFOHEADER *output) {
  if (!input) return ICERR_BADFORMAT;
  if (!output) return sizeof(BITMAPINFOHEADER);
  // Read before clearing: a caller may ask for the proposal in place.
  const LONG width = input->biWidth;
  const LONG height = input->biHeight;
  std::memset(output, 0, sizeof(BITMAPINFOHEADER));
  output->biSize = sizeof(BITMAPINFOHEADER);
  output->biWidth = width;
  output->biHeight = height;
  output->biPlanes = 1;
  output->biBitCount = 24;
  output->biCompression = BI_RGB;
  return ICERR_OK;
}

LRESULT CodecInstance::DecompressBegin(const BITMAPINFOHEADER *input,
                                       const BITMAPINFOHEADER *output) {
  return CheckFormats(input, output, true);
}

LRESULT CodecInstance::DecompressEnd() {
  return ICERR_OK;
}
