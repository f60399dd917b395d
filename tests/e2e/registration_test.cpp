// The codec as the system finds it through the registration the plug-in makes
// for the length of an output run.
#include <windows.h>

#include <gtest/gtest.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include "fourcc.h"
#include "host_run.h"
#include "test_support.h"

namespace {

std::wstring CodecName(HIC codec) {
  ICINFO info = {};
  if (!ICGetInfo(codec, &info, sizeof info)) return L"";
  return info.szName;
}

// Wine's own icinfo program lists every registered video compressor.
std::string IcInfoListing() {
  std::string listing;
  DWORD exitCode = 0;
  EXPECT_TRUE(RunProgram("icinfo.exe", 30000, &exitCode, &listing)) << "icinfo did not end";
  return listing;
}

TEST(Registration, LastsExactlyAsLongAsTheRun) {
  ASSERT_FALSE(CodecRegistered());
  EXPECT_EQ(IcInfoListing().find("vidc.ZVNR"), std::string::npos);
  TempFolder folder;
  HostRun host({folder.file("reference.avi")});
  ASSERT_TRUE(host.ready()) << host.output();

  EXPECT_TRUE(CodecRegistered());
  const std::string listing = IcInfoListing();
  EXPECT_NE(listing.find("vidc.ZVNR: Zelvanoor"), std::string::npos) << listing;

  HIC codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS);
  ASSERT_NE(codec, nullptr) << "ICOpen does not find the registered codec";
  EXPECT_EQ(CodecName(codec), L"Zelvanoor");
  ICClose(codec);

  // ICLocate by the formats alone, as players ask for any decompressor.
  BITMAPINFOHEADER input = MakeFormat(kFourCCZvnr, 64, 48);
  BITMAPINFOHEADER output = MakeFormat(BI_RGB, 64, 48);
  codec = ICLocate(ICTYPE_VIDEO, 0, &input, &output, ICMODE_DECOMPRESS);
  ASSERT_NE(codec, nullptr) << "ICLocate does not find the registered codec";
  EXPECT_EQ(CodecName(codec), L"Zelvanoor");
  ICClose(codec);

  ASSERT_TRUE(host.stop());
  EXPECT_EQ(host.exitCode(), 0u) << host.output();
  EXPECT_FALSE(CodecRegistered());
  EXPECT_EQ(ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS), nullptr);
  EXPECT_EQ(IcInfoListing().find("vidc.ZVNR"), std::string::npos);
}

}  // namespace
