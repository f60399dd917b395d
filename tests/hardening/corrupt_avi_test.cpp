// Damaged token files read through the platform's AVIFile with the codec
// installed in this process: nothing crashes, every read ends, and every image
// that comes back is the frame whose token its chunk holds.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>

#include "codec_fixture.h"
#include "corrupt_avi_file.h"
#include "demo_project.h"
#include "fuzz_crash_report.h"
#include "fuzz_plugin_run.h"
#include "test_support.h"

namespace {

constexpr int32_t kWidth = 20, kHeight = 10, kFrames = 12;

enum Cut { kWhole, kCutInHeader, kCutInMovie, kCutInIndex };

struct DamageCase {
  const char *name;
  TokenAviDamage damage;
  Cut cut;
  bool indexed;  // the index survives, so every intact frame must decode
};

TokenAviDamage Short(int32_t n) {
  TokenAviDamage d;
  d.shortChunk = n;
  return d;
}
TokenAviDamage Garbage(int32_t n, int32_t value) {
  TokenAviDamage d;
  d.garbageToken = n;
  d.garbage = value;
  return d;
}
TokenAviDamage Junk(int32_t n) {
  TokenAviDamage d;
  d.junkAfter = n;
  return d;
}

const DamageCase kCases[] = {
    {"intact", TokenAviDamage(), kWhole, true},
    {"a video chunk of 2 bytes", Short(5), kWhole, true},
    {"the first video chunk of 2 bytes", Short(0), kWhole, true},
    {"a chunk of unknown id between frames", Junk(3), kWhole, true},
    {"a token far beyond the frames", Garbage(4, 0x7FFF1234), kWhole, true},
    {"a negative token", Garbage(7, -7), kWhole, true},
    {"cut inside the headers", TokenAviDamage(), kCutInHeader, false},
    {"cut in the middle of a video chunk", TokenAviDamage(), kCutInMovie, false},
    {"cut inside the index", TokenAviDamage(), kCutInIndex, false},
    {"cut after a chunk of 2 bytes", Short(2), kCutInMovie, false},
};

std::vector<uint8_t> DamagedFile(const DamageCase &c) {
  TokenAviDamage damage = c.damage;
  const std::vector<uint8_t> whole = BuildTokenAvi(kWidth, kHeight, kFrames, damage);
  switch (c.cut) {
    case kCutInHeader:
      damage.cutTo = 100;
      break;
    case kCutInMovie:
      damage.cutTo = VideoChunkOffset(whole, kFrames / 2) + 10;
      break;
    case kCutInIndex:
      damage.cutTo = whole.size() - 10;
      break;
    case kWhole:
      break;
  }
  return BuildTokenAvi(kWidth, kHeight, kFrames, damage);
}

// The frame that chunk n names; false for a chunk that holds no token or one
// of a frame the file does not have.
bool TokenOf(const TokenAviDamage &damage, int32_t n, int32_t *token) {
  if (n == damage.shortChunk) return false;
  *token = n == damage.garbageToken ? damage.garbage : n;
  return *token >= 0 && *token < kFrames;
}

// Failures name the case, not its bytes.
void PrintTo(const DamageCase &c, std::ostream *out) {
  *out << c.name;
}

// Reads the damaged file of case `c` while somebody serves its frames.
void ReadDamagedFile(const DamageCase &c, const TempFolder &folder) {
  char description[160];
  std::snprintf(description, sizeof description, "reading the token file \"%s\"", c.name);
  SetCurrentCase(description);
  const std::string path = folder.file("damaged.avi");
  ASSERT_TRUE(WriteBytes(path, DamagedFile(c)));

  PAVISTREAM stream = nullptr;
  if (AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) !=
      AVIERR_OK) {
    EXPECT_FALSE(c.indexed) << "an intact index, yet the file did not open";
    std::printf("%s: refused by AVIStreamOpenFromFile\n", c.name);
    return;
  }
  BITMAPINFOHEADER wanted = MakeFormat(BI_RGB, kWidth, kHeight);
  PGETFRAME getFrame = AVIStreamGetFrameOpen(stream, &wanted);
  if (!getFrame) {
    EXPECT_FALSE(c.indexed) << "no frame reader for a readable file";
    std::printf("%s: no frame reader\n", c.name);
    AVIStreamRelease(stream);
    return;
  }
  const LONG length = AVIStreamLength(stream);

  // Every frame in order, then back and forth around the damage, then
  // positions the file does not have.
  std::vector<LONG> positions;
  for (LONG n = 0; n < kFrames; ++n) positions.push_back(n);
  for (LONG n : {LONG(c.damage.shortChunk), LONG(c.damage.garbageToken), LONG(c.damage.junkAfter)})
    if (n >= 0)
      for (LONG p : {n + 1, n, n - 1, n, n + 1})
        if (p >= 0 && p < kFrames) positions.push_back(p);
  for (LONG p : {LONG(-1), length, LONG(kFrames + 3), LONG(0x7FFFFFFF)}) positions.push_back(p);

  int delivered = 0, missing = 0, intactMissing = 0;
  for (LONG p : positions) {
    const auto *packed = static_cast<const BITMAPINFOHEADER *>(AVIStreamGetFrame(getFrame, p));
    int32_t token;
    const bool inFile = p >= 0 && p < kFrames && p < length;
    const bool hasToken = inFile && TokenOf(c.damage, p, &token);
    if (!packed) {
      ++missing;
      if (hasToken && token == p) ++intactMissing;
      continue;
    }
    ++delivered;
    if (!inFile) continue;  // what a reader makes of a position beyond the end is its own
    const uint8_t *image = reinterpret_cast<const uint8_t *>(packed) + packed->biSize;
    int32_t found = -2;
    if (!hasToken) {
      // No frame is right here; showing another one as this one is wrong.
      for (int32_t t = 0; t < kFrames; ++t)
        EXPECT_FALSE(IsDemoFrame(image, t, kWidth, kHeight))
            << "frame " << p << ", whose chunk holds no token, showed frame " << t;
    } else {
      EXPECT_TRUE(IsDemoFrame(image, token, kWidth, kHeight, &found))
          << "frame " << p << " holds token " << token << " but showed frame " << found;
    }
  }
  std::printf("%s: length %ld, %d images, %d reads without image\n", c.name, long(length),
              delivered, missing);
  if (c.indexed) {
    EXPECT_EQ(length, kFrames);
    EXPECT_EQ(intactMissing, 0) << "intact frames that did not decode";
  }
  AVIStreamGetFrameClose(getFrame);
  AVIStreamRelease(stream);
}

// The codec installed in this process as a function, a plain serving side
// that renders whatever frame it is asked for.
class DamagedTokenFile : public testing::TestWithParam<DamageCase> {
 protected:
  void SetUp() override {
    InstallCrashReport();
    ASSERT_NE(LoadCodecDriverProc(), nullptr);
    ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kFourCCZvnr, LPARAM(LoadCodecDriverProc()), nullptr,
                          ICINSTALL_FUNCTION));
    AVIFileInit();
  }
  void TearDown() override {
    AVIFileExit();
    ICRemove(ICTYPE_VIDEO, kFourCCZvnr, 0);
  }
};

TEST_P(DamagedTokenFile, DecodesOnlyRightImages) {
  TempFolder folder;
  ServingRun run(kWidth, kHeight);
  ASSERT_TRUE(run.ok());
  ReadDamagedFile(GetParam(), folder);
}

// The real plug-in serving, with its own registration of the codec and its
// guard, which gives no image for a frame the run does not have.
class DamagedTokenFileWhileThePluginServes : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedTokenFileWhileThePluginServes, DecodesOnlyRightImages) {
  InstallCrashReport();
  TempFolder folder;
  ServingPlugin run(kWidth, kHeight, kFrames, folder.file("reference.avi"));
  ASSERT_TRUE(run.serving());
  AVIFileInit();
  ReadDamagedFile(GetParam(), folder);
  AVIFileExit();
  EXPECT_EQ(run.stop(), 1);
}

std::string CaseName(const testing::TestParamInfo<DamageCase> &info) {
  std::string name;
  for (const char *p = info.param.name; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
}

INSTANTIATE_TEST_SUITE_P(Hardening, DamagedTokenFile, testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Hardening, DamagedTokenFileWhileThePluginServes, testing::ValuesIn(kCases),
                         CaseName);

}  // namespace
