// The three format messages side by side on the same pairs of formats.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"

namespace {

constexpr uint32_t kLowerZvnr = MakeFourCC('z', 'v', 'n', 'r');
constexpr LRESULT kProposal = 0x7FFF0000;  // GET_FORMAT: ICERR_OK and the proposal written

// A format header followed by room that a later header version would use.
struct LargeFormat {
  BITMAPINFOHEADER header;
  uint8_t extension[84];
};

struct PairCase {
  const char *name;
  const BITMAPINFOHEADER *input;  // null: no input format
  bool withOutput;
  BITMAPINFOHEADER output;
  LRESULT query, getFormat, begin;
};

LargeFormat MakeLargeFormat() {
  LargeFormat large = {MakeFormat(BI_RGB, 64, 48), {}};
  large.header.biSize = sizeof large;
  std::memset(large.extension, 0xCD, sizeof large.extension);
  return large;
}

TEST(FormatNegotiation, QueryGetFormatAndBeginAgreeOnEachPair) {
  const BITMAPINFOHEADER zvnr = MakeFormat(kFourCCZvnr, 64, 48);
  const BITMAPINFOHEADER lower = MakeFormat(kLowerZvnr, 64, 48);
  const BITMAPINFOHEADER rgb = MakeFormat(BI_RGB, 64, 48);
  const BITMAPINFOHEADER none = {};
  const LRESULT OK = ICERR_OK, BAD = ICERR_BADFORMAT;
  const PairCase cases[] = {
      {"null, null", nullptr, false, none, BAD, BAD, BAD},
      {"null, rgb24", nullptr, true, MakeFormat(BI_RGB, 64, 48), BAD, BAD, BAD},
      {"ZVNR, null", &zvnr, false, none, OK, 40, BAD},
      {"zvnr, null", &lower, false, none, BAD, 40, BAD},
      {"rgb, null", &rgb, false, none, BAD, 40, BAD},
      {"ZVNR, rgb24", &zvnr, true, MakeFormat(BI_RGB, 64, 48), OK, kProposal, OK},
      {"ZVNR, ZVNR 24", &zvnr, true, MakeFormat(kFourCCZvnr, 64, 48), OK, kProposal, OK},
      {"ZVNR, rgb32", &zvnr, true, MakeFormat(BI_RGB, 64, 48, 32), BAD, kProposal, BAD},
      {"ZVNR, rgb16", &zvnr, true, MakeFormat(BI_RGB, 64, 48, 16), BAD, kProposal, BAD},
      {"ZVNR, bitfields 24", &zvnr, true, MakeFormat(BI_BITFIELDS, 64, 48), BAD, kProposal, BAD},
      {"ZVNR, zvnr 24", &zvnr, true, MakeFormat(kLowerZvnr, 64, 48), BAD, kProposal, BAD},
      {"ZVNR, top-down", &zvnr, true, MakeFormat(BI_RGB, 64, -48), BAD, kProposal, BAD},
      {"ZVNR, one wider", &zvnr, true, MakeFormat(BI_RGB, 65, 48), BAD, kProposal, BAD},
      {"ZVNR, one higher", &zvnr, true, MakeFormat(BI_RGB, 64, 49), BAD, kProposal, BAD},
      {"zvnr, rgb24", &lower, true, MakeFormat(BI_RGB, 64, 48), BAD, kProposal, BAD},
      {"rgb, rgb24", &rgb, true, MakeFormat(BI_RGB, 64, 48), BAD, kProposal, BAD},
  };
  DriverInstance instance;
  ASSERT_NE(instance.id(), 0u);
  for (const PairCase &c : cases) {
    const BITMAPINFOHEADER inputBefore = c.input ? *c.input : none;
    BITMAPINFOHEADER output = c.output;
    const LPARAM in = LPARAM(c.input);
    const LPARAM out = c.withOutput ? LPARAM(&output) : 0;

    EXPECT_EQ(instance.send(ICM_DECOMPRESS_QUERY, in, out), c.query) << c.name;
    EXPECT_EQ(std::memcmp(&output, &c.output, sizeof output), 0) << c.name << ": QUERY wrote";
    EXPECT_EQ(instance.send(ICM_DECOMPRESS_BEGIN, in, out), c.begin) << c.name;
    EXPECT_EQ(std::memcmp(&output, &c.output, sizeof output), 0) << c.name << ": BEGIN wrote";
    EXPECT_EQ(instance.send(ICM_DECOMPRESS_END), ICERR_OK) << c.name;

    const LRESULT getFormat = instance.send(ICM_DECOMPRESS_GET_FORMAT, in, out);
    if (c.getFormat == kProposal) {
      EXPECT_EQ(getFormat, ICERR_OK) << c.name;
      const BITMAPINFOHEADER proposal = MakeFormat(BI_RGB, c.input->biWidth, c.input->biHeight);
      EXPECT_EQ(std::memcmp(&output, &proposal, sizeof output), 0) << c.name;
    } else {
      EXPECT_EQ(getFormat, c.getFormat) << c.name;
      EXPECT_EQ(std::memcmp(&output, &c.output, sizeof output), 0) << c.name << ": written";
    }
    if (c.input) {
      EXPECT_EQ(std::memcmp(c.input, &inputBefore, sizeof inputBefore), 0) << c.name;
    }
  }
}

TEST(FormatNegotiation, ProposalClearsWhatTheRecordHeldAndPassesQueryAndBegin) {
  DriverInstance instance;
  const BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 640, 360);
  BITMAPINFOHEADER output;
  std::memset(&output, 0x5A, sizeof output);
  ASSERT_EQ(instance.send(ICM_DECOMPRESS_GET_FORMAT, LPARAM(&input), LPARAM(&output)), ICERR_OK);
  EXPECT_EQ(output.biSize, 40u);
  EXPECT_EQ(output.biWidth, 640);
  EXPECT_EQ(output.biHeight, 360);
  EXPECT_EQ(output.biPlanes, 1);
  EXPECT_EQ(output.biBitCount, 24);
  EXPECT_EQ(output.biCompression, DWORD(BI_RGB));
  EXPECT_EQ(output.biSizeImage, 0u);
  EXPECT_EQ(output.biXPelsPerMeter, 0);
  EXPECT_EQ(output.biYPelsPerMeter, 0);
  EXPECT_EQ(output.biClrUsed, 0u);
  EXPECT_EQ(output.biClrImportant, 0u);
  EXPECT_EQ(instance.send(ICM_DECOMPRESS_QUERY, LPARAM(&input), LPARAM(&output)), ICERR_OK);
  EXPECT_EQ(instance.send(ICM_DECOMPRESS_BEGIN, LPARAM(&input), LPARAM(&output)), ICERR_OK);
}

TEST(FormatNegotiation, ProposalInPlaceKeepsTheSize) {
  DriverInstance instance;
  BITMAPINFOHEADER format = MakeFormat(kFourCCZvnr, 320, 240);
  ASSERT_EQ(instance.send(ICM_DECOMPRESS_GET_FORMAT, LPARAM(&format), LPARAM(&format)), ICERR_OK);
  EXPECT_EQ(format.biWidth, 320);
  EXPECT_EQ(format.biHeight, 240);
  EXPECT_EQ(format.biCompression, DWORD(BI_RGB));
}

TEST(FormatNegotiation, LaterHeaderVersionIsAcceptedUnread) {
  DriverInstance instance;
  const BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 64, 48);
  const LargeFormat output = MakeLargeFormat();
  EXPECT_EQ(instance.send(ICM_DECOMPRESS_QUERY, LPARAM(&input), LPARAM(&output)), ICERR_OK);
  EXPECT_EQ(instance.send(ICM_DECOMPRESS_BEGIN, LPARAM(&input), LPARAM(&output)), ICERR_OK);
}

}  // namespace
