// The codec as applications reach it through the compressor manager: installed
// in this process as a function (no registry involved), opened with ICOpen or
// found by ICLocate and AVIFile, and talked to with the ICM macros.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "codec_fixture.h"
#include "demo_project.h"
#include "exchange.h"
#include "test_support.h"

namespace {

// Every message the manager sends, in order, before the codec answers it.
std::mutex traceLock;
std::vector<UINT> trace;

LRESULT CALLBACK TracingDriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1,
                                   LPARAM lParam2) {
  {
    std::lock_guard<std::mutex> lock(traceLock);
    trace.push_back(message);
  }
  return LoadCodecDriverProc()(id, driver, message, lParam1, lParam2);
}

std::string MessageName(UINT message) {
  switch (message) {
    case DRV_LOAD:
      return "DRV_LOAD";
    case DRV_ENABLE:
      return "DRV_ENABLE";
    case DRV_OPEN:
      return "DRV_OPEN";
    case DRV_CLOSE:
      return "DRV_CLOSE";
    case DRV_DISABLE:
      return "DRV_DISABLE";
    case DRV_FREE:
      return "DRV_FREE";
    case ICM_GETINFO:
      return "ICM_GETINFO";
    case ICM_DECOMPRESS_GET_FORMAT:
      return "ICM_DECOMPRESS_GET_FORMAT";
    case ICM_DECOMPRESS_QUERY:
      return "ICM_DECOMPRESS_QUERY";
    case ICM_DECOMPRESS_BEGIN:
      return "ICM_DECOMPRESS_BEGIN";
    case ICM_DECOMPRESS:
      return "ICM_DECOMPRESS";
    case ICM_DECOMPRESS_END:
      return "ICM_DECOMPRESS_END";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%04X", message);
      return text;
    }
  }
}

std::string TraceText() {
  std::lock_guard<std::mutex> lock(traceLock);
  std::string text;
  for (size_t i = 0; i < trace.size(); ++i) {
    // Runs of frames are shown once with their count.
    size_t run = 1;
    while (i + run < trace.size() && trace[i + run] == trace[i]) ++run;
    text += (text.empty() ? "" : ", ") + MessageName(trace[i]);
    if (run > 1) text += " x" + std::to_string(run);
    i += run - 1;
  }
  return text;
}

class CompressorManager : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(LoadCodecDriverProc(), nullptr);
    ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kFourCCZvnr, LPARAM(TracingDriverProc), nullptr,
                          ICINSTALL_FUNCTION));
    std::lock_guard<std::mutex> lock(traceLock);
    trace.clear();
  }
  void TearDown() override { ICRemove(ICTYPE_VIDEO, kFourCCZvnr, 0); }
};

TEST_F(CompressorManager, OpensDescribesAndDecodes) {
  ServingRun run(12, 9);
  ASSERT_TRUE(run.ok());
  HIC codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS);
  ASSERT_NE(codec, nullptr);

  ICINFO info = {};
  ASSERT_NE(ICGetInfo(codec, &info, sizeof info), 0u);
  EXPECT_EQ(std::wstring(info.szName), L"Zelvanoor");
  EXPECT_EQ(std::wstring(info.szDescription), L"Zelvanoor");
  EXPECT_EQ(info.fccHandler, kFourCCZvnr);

  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 12, 9);
  BITMAPINFOHEADER output = {};
  EXPECT_EQ(ICDecompressQuery(codec, &input, nullptr), ICERR_OK);
  EXPECT_EQ(ICDecompressGetFormatSize(codec, &input), 40);
  ASSERT_EQ(ICDecompressGetFormat(codec, &input, &output), ICERR_OK);
  EXPECT_EQ(ICDecompressBegin(codec, &input, &output), ICERR_OK);
  std::vector<uint8_t> image(size_t(FrameImageSize(12, 9)));
  for (int32_t frame : {4, 0, 4, 11}) {
    EXPECT_EQ(ICDecompress(codec, 0, &input, &frame, &output, image.data()), DWORD(ICERR_OK));
    EXPECT_TRUE(IsDemoFrame(image.data(), frame, 12, 9)) << frame;
  }
  EXPECT_EQ(ICDecompressEnd(codec), ICERR_OK);
  EXPECT_EQ(ICClose(codec), ICERR_OK);
  EXPECT_EQ(run.requests(), (std::vector<int32_t>{4, 0, 4, 11}));
}

TEST_F(CompressorManager, RefusesCompressionAndConfigurationButHasAnAboutBox) {
  HIC codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_COMPRESS);
  ASSERT_NE(codec, nullptr) << "the codec opens for every mode";
  BITMAPINFOHEADER rgb = MakeFormat(BI_RGB, 16, 16);
  EXPECT_EQ(ICCompressQuery(codec, &rgb, nullptr), ICERR_UNSUPPORTED);
  EXPECT_FALSE(ICQueryConfigure(codec));
  EXPECT_TRUE(ICQueryAbout(codec));
  ICClose(codec);
  EXPECT_EQ(ICOpen(MakeFourCC('V', 'I', 'D', 'S'), kFourCCZvnr, ICMODE_DECOMPRESS), nullptr);
}

TEST_F(CompressorManager, LocatesTheCodecOnlyForWhatItDecodes) {
  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 32, 16);
  BITMAPINFOHEADER rgb24 = MakeFormat(BI_RGB, 32, 16);
  BITMAPINFOHEADER rgb32 = MakeFormat(BI_RGB, 32, 16, 32);
  HIC codec = ICLocate(ICTYPE_VIDEO, kFourCCZvnr, &input, &rgb24, ICMODE_DECOMPRESS);
  ASSERT_NE(codec, nullptr);
  ICINFO info = {};
  ICGetInfo(codec, &info, sizeof info);
  EXPECT_EQ(std::wstring(info.szName), L"Zelvanoor");
  ICClose(codec);
  EXPECT_EQ(ICLocate(ICTYPE_VIDEO, kFourCCZvnr, &input, &rgb32, ICMODE_DECOMPRESS), nullptr);
}

// A token AVI as the writer makes it: ZVNR video of 4-byte frame tokens.
bool WriteTokenAvi(const std::string &path, int32_t width, int32_t height, int32_t frames) {
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) return false;
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = kFourCCZvnr;
  info.dwScale = 1;
  info.dwRate = 25;
  SetRect(&info.rcFrame, 0, 0, width, height);
  PAVISTREAM stream = nullptr;
  bool ok = AVIFileCreateStreamA(file, &stream, &info) == AVIERR_OK;
  BITMAPINFOHEADER format = MakeFormat(kFourCCZvnr, width, height);
  ok = ok && AVIStreamSetFormat(stream, 0, &format, sizeof format) == AVIERR_OK;
  for (int32_t i = 0; ok && i < frames; ++i)
    ok = AVIStreamWrite(stream, i, 1, &i, 4, AVIIF_KEYFRAME, nullptr, nullptr) == AVIERR_OK;
  if (stream) AVIStreamRelease(stream);
  AVIFileRelease(file);
  return ok;
}

TEST_F(CompressorManager, AviFileDecodesTokenVideoThroughTheCodec) {
  const int32_t width = 20, height = 10, frames = 30;
  TempFolder folder;
  const std::string path = folder.file("tokens.avi");
  AVIFileInit();
  ASSERT_TRUE(WriteTokenAvi(path, width, height, frames));
  ServingRun run(width, height);
  ASSERT_TRUE(run.ok());

  PAVISTREAM stream = nullptr;
  ASSERT_EQ(AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
            AVIERR_OK);
  BITMAPINFOHEADER wanted = MakeFormat(BI_RGB, width, height);
  PGETFRAME getFrame = AVIStreamGetFrameOpen(stream, &wanted);
  ASSERT_NE(getFrame, nullptr);
  const std::vector<int32_t> order = {0, 1, 15, 29, 3, 3, 0};
  for (int32_t frame : order) {
    const auto *packed = static_cast<const BITMAPINFOHEADER *>(AVIStreamGetFrame(getFrame, frame));
    ASSERT_NE(packed, nullptr) << frame;
    EXPECT_EQ(packed->biBitCount, 24);
    int32_t found = -2;
    EXPECT_TRUE(IsDemoFrame(reinterpret_cast<const uint8_t *>(packed) + packed->biSize, frame,
                            width, height, &found))
        << "frame " << frame << " came back as " << found;
  }
  AVIStreamGetFrameClose(getFrame);
  AVIStreamRelease(stream);
  AVIFileExit();
  std::printf("messages sent by AVIFile: %s\n", TraceText().c_str());
  // The frames reached the host, though AVIFile may skip a fetch for a
  // repeated frame it still holds.
  const std::vector<int32_t> asked = run.requests();
  for (int32_t frame : order)
    EXPECT_NE(std::find(asked.begin(), asked.end(), frame), asked.end()) << frame;
}

}  // namespace
