#include "fuzz_random.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fourcc.h"

int32_t FuzzRandom::edgy() {
  switch (below(6)) {
    case 0:
      return int32_t(below(17));
    case 1:
      return -int32_t(below(5)) - 1;
    case 2:
      return pick<int32_t>({INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1, 0x40000000,
                            0x20000000, 0x10000, 0xFFFF, 46341, 0x2AAAAAAB, -0x2AAAAAAB});
    case 3:
      return int32_t(below(4096));
    default:
      return int32_t(word());
  }
}

LPARAM FuzzRandom::scalar() {
  switch (below(5)) {
    case 0:
      return 0;
    case 1:
      return LPARAM(below(64));
    case 2:
      return LPARAM(-1);
    case 3:
      return LPARAM(int32_t(word()));
    default:
      return LPARAM((uint64_t(word()) << 32) | word());
  }
}

uint32_t FuzzSeed() {
  const char *text = std::getenv("ZELVANOOR_FUZZ_SEED");
  if (text && *text) return uint32_t(std::strtoul(text, nullptr, 0));
  return 0x5EED2A11u;
}

FuzzFormat RandomFormat(FuzzRandom &random, uint32_t preferred, bool allowTruncated) {
  FuzzFormat format;
  BITMAPINFOHEADER &h = format.header;
  h.biSize = sizeof h;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = preferred;
  if (random.percent(50)) {
    h.biWidth = kRegionWidth;
    h.biHeight = kRegionHeight;
  } else {
    h.biWidth = int32_t(random.below(16)) + 1;
    h.biHeight = int32_t(random.below(16)) + 1;
  }
  if (random.percent(25)) {  // absurd dimensions: negative, zero, overflowing
    switch (random.below(4)) {
      case 0:
        h.biWidth = random.edgy();
        break;
      case 1:
        h.biHeight = random.edgy();
        break;
      case 2:
        h.biHeight = -h.biHeight;
        break;
      default:
        h.biWidth = random.edgy();
        h.biHeight = random.edgy();
    }
  }
  if (random.percent(15))
    h.biBitCount = random.pick<WORD>({0, 1, 4, 8, 15, 16, 23, 25, 32, 48, 0xFFFF});
  if (random.percent(15))
    h.biCompression = random.pick<uint32_t>({BI_RGB, kFourCCZvnr, MakeFourCC('z', 'v', 'n', 'r'),
                                             BI_BITFIELDS, BI_RLE8, random.word()});
  if (random.percent(5)) h.biPlanes = WORD(random.word());
  if (random.percent(5)) h.biSize = random.word();
  if (allowTruncated && random.percent(10))
    format.bytes = 24;
  else if (random.percent(5))
    format.bytes = sizeof h + 4 * random.below(257);  // colour table or a later version
  return format;
}

void WriteFormat(const FuzzFormat &format, uint8_t *destination) {
  const size_t header = format.bytes < sizeof format.header ? format.bytes : sizeof format.header;
  std::memcpy(destination, &format.header, header);
  if (format.bytes > header) std::memset(destination + header, 0x3C, format.bytes - header);
}

LRESULT ExpectedFormatCheck(const BITMAPINFOHEADER *input, const BITMAPINFOHEADER *output,
                            bool outputRequired) {
  if (!input || input->biCompression != kFourCCZvnr) return ICERR_BADFORMAT;
  if (!output) return outputRequired ? ICERR_BADFORMAT : ICERR_OK;
  if (output->biCompression != BI_RGB && output->biCompression != kFourCCZvnr)
    return ICERR_BADFORMAT;
  if (output->biBitCount != 24) return ICERR_BADFORMAT;
  if (output->biWidth != input->biWidth || output->biHeight != input->biHeight)
    return ICERR_BADFORMAT;
  return ICERR_OK;
}

void DescribeFormat(const FuzzFormat &format, char *text, size_t size) {
  if (!format.present) {
    std::snprintf(text, size, "null");
    return;
  }
  const BITMAPINFOHEADER &h = format.header;
  std::snprintf(text, size, "{%ld x %ld, %u bits, compression 0x%08lX, biSizeImage %lu, %u bytes}",
                long(h.biWidth), long(h.biHeight), unsigned(h.biBitCount),
                static_cast<unsigned long>(h.biCompression),
                static_cast<unsigned long>(h.biSizeImage), unsigned(format.bytes));
}
