// ICM_DECOMPRESS records that a careless copy would turn into a read or write
// out of bounds, each run in a process of its own (so that one crash does not
// hide the next) against a connected instance whose run answers at once. Every
// buffer ends at an inaccessible page; its true size is what the caller states.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "codec_fixture.h"
#include "frame_image.h"
#include "fuzz_crash_report.h"
#include "fuzz_fenced_buffer.h"
#include "fuzz_random.h"

#if !GTEST_HAS_DEATH_TEST
#error "the cases run in child processes through death tests"
#endif

namespace {

enum Missing : unsigned {
  kNone = 0,
  kRecord = 1,
  kInputFormat = 2,
  kInput = 4,
  kOutputFormat = 8,
  kOutput = 16,
  kRecordCut = 32  // the record ends before lpbiOutput, and lParam2 says so
};

struct DecompressCase {
  const char *name;
  unsigned missing;
  // Lengths stated in the formats' biSizeImage, and the buffers' true lengths;
  // 0 would state nothing, so the table states every length.
  uint32_t inputBytes;    // of the compressed input
  uint32_t compression;   // of the output
  int32_t width, height;  // of both formats
  uint32_t outputBytes;   // of the output buffer
  bool outputMayChange;   // false: nothing may reach the output buffer
};

const int32_t kW = kRegionWidth, kH = kRegionHeight;
const uint32_t kImage = uint32_t(FrameImageSize(kRegionWidth, kRegionHeight));

const DecompressCase kCases[] = {
    {"the whole frame (the control case)", kNone, 4, BI_RGB, kW, kH, kImage, true},
    {"no record", kRecord, 4, BI_RGB, kW, kH, kImage, false},
    {"no output format", kOutputFormat, 4, BI_RGB, kW, kH, kImage, false},
    {"no output buffer", kOutput, 4, BI_RGB, kW, kH, kImage, false},
    {"no input data", kInput, 4, BI_RGB, kW, kH, kImage, false},
    {"no input format", kInputFormat, 4, BI_RGB, kW, kH, kImage, true},
    {"pass-through without input format", kInputFormat, 4, kFourCCZvnr, kW, kH, 4, true},
    {"pass-through without input data", kInput, 4, kFourCCZvnr, kW, kH, 4, false},
    {"pass-through without output buffer", kOutput, 4, kFourCCZvnr, kW, kH, 4, false},
    {"output buffer smaller than the image", kNone, 4, BI_RGB, kW, kH, kImage - 16, true},
    {"output buffer of 1 byte", kNone, 4, BI_RGB, kW, kH, 1, false},
    {"pass-through into a smaller buffer", kNone, 64, kFourCCZvnr, kW, kH, 4, true},
    {"negative height", kNone, 4, BI_RGB, kW, -kH, kImage, true},
    {"negative width", kNone, 4, BI_RGB, -kW, kH, kImage, true},
    {"size wraps past 32 bits to 4", kNone, 4, BI_RGB, 1, 0x40000001, 4, true},
    {"size wraps past 32 bits to 0", kNone, 4, BI_RGB, 0x10000, 0x10000, 16, true},
    {"size overflows to a negative count", kNone, 4, BI_RGB, 0x7FFFFFFF, 1, 16, true},
    {"larger than the serving run's frame", kNone, 4, BI_RGB, 40, 30, 3600, true},
    {"compressed input of 2 bytes", kNone, 2, BI_RGB, kW, kH, kImage, false},
    {"compressed input of 1 byte", kNone, 1, BI_RGB, kW, kH, kImage, false},
    {"record cut before its output format", kRecordCut, 4, BI_RGB, kW, kH, kImage, false},
    {"compressed input of 3 bytes passed through", kNone, 3, kFourCCZvnr, kW, kH, 16, true},
};

// Runs one case; returns the problem found, or null.
const char *RunCase(const DecompressCase &c) {
  static char description[256];
  std::snprintf(description, sizeof description, "ICM_DECOMPRESS case \"%s\"", c.name);
  InstallCrashReport();
  SetCurrentCase(description);
  const DRIVERPROC proc = LoadCodecDriverProc();
  if (!proc) return "the codec did not load";
  ServingRun run(kRegionWidth, kRegionHeight);
  if (!run.ok()) return "no serving run";
  const DWORD_PTR id = DWORD_PTR(proc(0, nullptr, DRV_OPEN, 0, 0));
  if (!id) return "DRV_OPEN failed";

  FencedBuffer record(sizeof(ICDECOMPRESS)), inFormat(sizeof(BITMAPINFOHEADER)),
      outFormat(sizeof(BITMAPINFOHEADER)), input(64), output(4096);
  BITMAPINFOHEADER in = MakeFormat(kFourCCZvnr, c.width, c.height);
  in.biSizeImage = c.inputBytes;
  BITMAPINFOHEADER out = MakeFormat(c.compression, c.width, c.height);
  out.biSizeImage = c.outputBytes;
  uint8_t token[64] = {2, 0, 0, 0};
  for (size_t i = 4; i < sizeof token; ++i) token[i] = uint8_t(i * 11);

  ICDECOMPRESS d = {};
  if (!(c.missing & kInputFormat))
    d.lpbiInput = reinterpret_cast<BITMAPINFOHEADER *>(inFormat.placeCopy(&in, sizeof in));
  if (!(c.missing & kInput)) d.lpInput = input.placeCopy(token, c.inputBytes);
  if (!(c.missing & kOutputFormat))
    d.lpbiOutput = reinterpret_cast<BITMAPINFOHEADER *>(outFormat.placeCopy(&out, sizeof out));
  if (!(c.missing & kOutput)) d.lpOutput = output.place(c.outputBytes, 0xA7);
  const size_t recordBytes =
      (c.missing & kRecordCut) ? offsetof(ICDECOMPRESS, lpbiOutput) : sizeof d;
  LPARAM lParam1 = (c.missing & kRecord) ? 0 : LPARAM(record.placeCopy(&d, recordBytes));

  proc(id, nullptr, ICM_DECOMPRESS, lParam1, LPARAM(recordBytes));
  proc(id, nullptr, DRV_CLOSE, 0, 0);

  for (const FencedBuffer *buffer : {&record, &inFormat, &outFormat, &input, &output})
    if (!buffer->frontIntact()) return "a write landed in front of a buffer";
  if (!(c.missing & kInput) && std::memcmp(input.data(), token, c.inputBytes) != 0)
    return "the input was written";
  bool changed = false;
  if (!(c.missing & kOutput))
    for (size_t i = 0; i < c.outputBytes; ++i) changed = changed || output.data()[i] != 0xA7;
  // An input too short for a token names no frame: the codec may black the
  // output so that a frame reader does not pass the previous frame off as it.
  bool black = true;
  if (!(c.missing & kOutput))
    for (size_t i = 0; i < c.outputBytes; ++i) black = black && output.data()[i] == 0;
  const bool blackForNoFrame = c.inputBytes < 4 && c.compression == BI_RGB && black;
  if (changed && !c.outputMayChange && !blackForNoFrame)
    return "bytes reached an output that should stay untouched";
  return nullptr;
}

// Failures name the case, not its bytes.
void PrintTo(const DecompressCase &c, std::ostream *out) {
  *out << c.name;
}

class DecompressRecords : public testing::TestWithParam<DecompressCase> {};

TEST_P(DecompressRecords, NeitherCrashNorWriteOutOfBounds) {
  // The child prints what it found and leaves with 0 only when it found
  // nothing; a crash leaves with the exception's code and prints the case.
  EXPECT_EXIT(
      {
        const char *problem = RunCase(GetParam());
        if (problem) std::fprintf(stderr, "%s: %s\n", GetParam().name, problem);
        std::fflush(stderr);
        std::exit(problem ? 2 : 0);
      },
      testing::ExitedWithCode(0), "")
      << GetParam().name;
}

std::string CaseName(const testing::TestParamInfo<DecompressCase> &info) {
  std::string name;
  for (const char *p = info.param.name; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
}

INSTANTIATE_TEST_SUITE_P(Hardening, DecompressRecords, testing::ValuesIn(kCases), CaseName);

}  // namespace
