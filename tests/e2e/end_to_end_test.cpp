// The whole story in separate processes: the reference host serves the demo
// project, and Video for Windows clients decode its reference AVI.
#include <windows.h>

#include <gtest/gtest.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "demo_project.h"
#include "exchange.h"
#include "host_run.h"
#include "test_support.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kFrames = 60;

BITMAPINFOHEADER Rgb24() {
  return MakeFormat(BI_RGB, kWidth, kHeight);
}

// The reference AVI's video stream, opened as a client opens it.
struct AviVideo {
  PAVISTREAM stream = nullptr;
  explicit AviVideo(const std::string &path) {
    AVIFileInit();
    AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr);
  }
  ~AviVideo() {
    if (stream) AVIStreamRelease(stream);
    AVIFileExit();
  }
  // The compressed chunk of a frame: its token.
  int32_t token(int32_t frame) const {
    int32_t value = -1;
    AVIStreamRead(stream, frame, 1, &value, sizeof value, nullptr, nullptr);
    return value;
  }
};

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(CodecRegistered()) << "a run is still registered"; }
  std::string avi(const char *name = "reference.avi") const { return folder_.file(name); }
  HostOptions options(const char *name = "reference.avi") const {
    HostOptions o{avi(name)};
    o.width = kWidth;
    o.height = kHeight;
    o.frames = kFrames;
    return o;
  }

 private:
  TempFolder folder_;
};

TEST_F(EndToEnd, GetFrameDeliversTheHostsFramesBitExact) {
  HostRun host(options());
  ASSERT_TRUE(host.ready()) << host.output();
  {
    AviVideo video(avi());
    ASSERT_NE(video.stream, nullptr);
    EXPECT_EQ(AVIStreamLength(video.stream), kFrames);
    BITMAPINFOHEADER wanted = Rgb24();
    PGETFRAME getFrame = AVIStreamGetFrameOpen(video.stream, &wanted);
    ASSERT_NE(getFrame, nullptr) << "AVIFile found no decompressor for the reference AVI";
    for (int32_t frame : {0, 1, kFrames / 2, kFrames - 1, 7, 7, 0, kFrames - 1}) {
      const auto *packed = static_cast<BITMAPINFOHEADER *>(AVIStreamGetFrame(getFrame, frame));
      ASSERT_NE(packed, nullptr) << frame;
      ASSERT_EQ(packed->biBitCount, 24);
      int32_t found = -2;
      EXPECT_TRUE(IsDemoFrame(reinterpret_cast<const uint8_t *>(packed) + packed->biSize, frame,
                              kWidth, kHeight, &found))
          << "frame " << frame << " came back as " << found;
    }
    AVIStreamGetFrameClose(getFrame);
  }
  ASSERT_TRUE(host.stop());
  EXPECT_EQ(host.exitCode(), 0u) << host.output();
}

TEST_F(EndToEnd, IcDecompressOnACodecTheClientOpens) {
  HostRun host(options());
  ASSERT_TRUE(host.ready()) << host.output();
  {
    AviVideo video(avi());
    ASSERT_NE(video.stream, nullptr);
    BITMAPINFOHEADER input = {};
    LONG size = sizeof input;
    ASSERT_EQ(AVIStreamReadFormat(video.stream, 0, &input, &size), AVIERR_OK);
    HIC codec = ICOpen(ICTYPE_VIDEO, input.biCompression, ICMODE_DECOMPRESS);
    ASSERT_NE(codec, nullptr);
    BITMAPINFOHEADER output = Rgb24();
    ASSERT_EQ(ICDecompressBegin(codec, &input, &output), ICERR_OK);
    std::vector<uint8_t> image(size_t(FrameImageSize(kWidth, kHeight)));
    for (int32_t frame : {kFrames - 1, 0, 1, kFrames / 2, kFrames / 2}) {
      int32_t token = video.token(frame);
      EXPECT_EQ(token, frame);
      ASSERT_EQ(ICDecompress(codec, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
      EXPECT_TRUE(IsDemoFrame(image.data(), frame, kWidth, kHeight)) << frame;
    }
    ICDecompressEnd(codec);
    ICClose(codec);
  }
  ASSERT_TRUE(host.stop());
  EXPECT_EQ(host.exitCode(), 0u);
}

TEST_F(EndToEnd, SeveralClientProcessesEachGetTheirOwnFrames) {
  HostRun host(options());
  ASSERT_TRUE(host.ready()) << host.output();
  const std::string client = "\"" + ProgramFolder() + "\\zvclient.exe\" \"" + avi() + "\"";
  const char *lists[] = {"0-19 --verify", "59-40,3,3 --verify", "20-39 --verify --icdecompress",
                         "1,58,2,57,30 --verify --icdecompress"};
  std::vector<std::unique_ptr<ChildProcess>> clients;
  for (const char *list : lists)
    clients.push_back(std::make_unique<ChildProcess>(client + " --frames " + list, true));
  for (size_t i = 0; i < clients.size(); ++i) {
    ASSERT_TRUE(clients[i]->started());
    ASSERT_TRUE(clients[i]->wait(120000)) << lists[i] << ": did not end";
    const std::string output = clients[i]->output();
    EXPECT_EQ(clients[i]->exitCode(), 0u) << lists[i] << "\n" << output;
    EXPECT_NE(output.find(", 0 wrong"), std::string::npos) << lists[i] << "\n" << output;
  }
  ASSERT_TRUE(host.stop());
  EXPECT_EQ(host.exitCode(), 0u);
}

TEST_F(EndToEnd, ClientWritesBmpFilesOfTheServedFrames) {
  HostRun host(options());
  ASSERT_TRUE(host.ready()) << host.output();
  TempFolder pictures;
  DWORD exitCode = 0;
  std::string output;
  ASSERT_TRUE(RunProgram("\"" + ProgramFolder() + "\\zvclient.exe\" \"" + avi() +
                             "\" --frames 0,last --bmp \"" + pictures.path() + "\"",
                         60000, &exitCode, &output));
  EXPECT_EQ(exitCode, 0u) << output;
  EXPECT_NE(output.find("frames per second"), std::string::npos) << output;
  const std::vector<uint8_t> image = [&] {
    std::vector<uint8_t> bytes(size_t(FrameImageSize(kWidth, kHeight)) + 54);
    FILE *file = std::fopen(pictures.file("frame_00059.bmp").c_str(), "rb");
    if (!file) return std::vector<uint8_t>();
    bytes.resize(std::fread(bytes.data(), 1, bytes.size() + 1, file));
    std::fclose(file);
    return bytes;
  }();
  ASSERT_EQ(image.size(), size_t(FrameImageSize(kWidth, kHeight)) + 54) << "BMP of frame 59";
  EXPECT_EQ(image[0], 'B');
  EXPECT_EQ(image[1], 'M');
  EXPECT_TRUE(IsDemoFrame(image.data() + 54, kFrames - 1, kWidth, kHeight));
  ASSERT_TRUE(host.stop());
}

TEST_F(EndToEnd, InstanceKeptOpenIsServedAgainByTheNextRun) {
  std::vector<uint8_t> image(size_t(FrameImageSize(kWidth, kHeight)), 0xEE);
  BITMAPINFOHEADER input = Rgb24();
  input.biCompression = MakeFourCC('Z', 'V', 'N', 'R');
  BITMAPINFOHEADER output = Rgb24();
  auto first = std::make_unique<HostRun>(options("first.avi"));
  ASSERT_TRUE(first->ready()) << first->output();
  HIC codec = ICOpen(ICTYPE_VIDEO, input.biCompression, ICMODE_DECOMPRESS);
  ASSERT_NE(codec, nullptr);
  int32_t token = 3;
  ASSERT_EQ(ICDecompress(codec, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
  EXPECT_TRUE(IsDemoFrame(image.data(), 3, kWidth, kHeight));

  ASSERT_TRUE(first->stop());
  EXPECT_EQ(first->exitCode(), 0u);
  first.reset();
  EXPECT_FALSE(CodecRegistered());
  // Between runs nobody answers: the frame is reported decoded, the buffer
  // keeps the last frame.
  token = 4;
  EXPECT_EQ(ICDecompress(codec, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
  EXPECT_TRUE(IsDemoFrame(image.data(), 3, kWidth, kHeight));

  HostRun second(options("second.avi"));
  ASSERT_TRUE(second.ready()) << second.output();
  token = 5;
  EXPECT_EQ(ICDecompress(codec, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
  int32_t found = -2;
  EXPECT_TRUE(IsDemoFrame(image.data(), 5, kWidth, kHeight, &found))
      << "the next run answered with frame " << found;
  ICClose(codec);
  ASSERT_TRUE(second.stop());
  EXPECT_EQ(second.exitCode(), 0u);
}

TEST_F(EndToEnd, InstanceOpenedBeforeAnyRunStaysUnconnected) {
  // Before a run there is no registration; the application has the codec
  // installed itself, as it may.
  HMODULE module = LoadLibraryA((ProgramFolder() + "\\Zelvanoor.vcm").c_str());
  ASSERT_NE(module, nullptr);
  const auto proc = reinterpret_cast<DRIVERPROC>(GetProcAddress(module, "DriverProc"));
  const DWORD zvnr = MakeFourCC('Z', 'V', 'N', 'R');
  ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, zvnr, LPARAM(proc), nullptr, ICINSTALL_FUNCTION));
  HIC early = ICOpen(ICTYPE_VIDEO, zvnr, ICMODE_DECOMPRESS);
  ASSERT_NE(early, nullptr);

  HostRun host(options());
  ASSERT_TRUE(host.ready()) << host.output();
  BITMAPINFOHEADER input = Rgb24();
  input.biCompression = zvnr;
  BITMAPINFOHEADER output = Rgb24();
  std::vector<uint8_t> image(size_t(FrameImageSize(kWidth, kHeight)), 0xEE);
  int32_t token = 9;
  EXPECT_EQ(ICDecompress(early, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
  EXPECT_EQ(image, std::vector<uint8_t>(image.size(), 0xEE)) << "an early instance was served";
  // Reopening is what connects.
  HIC late = ICOpen(ICTYPE_VIDEO, zvnr, ICMODE_DECOMPRESS);
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(ICDecompress(late, 0, &input, &token, &output, image.data()), DWORD(ICERR_OK));
  EXPECT_TRUE(IsDemoFrame(image.data(), 9, kWidth, kHeight));
  ICClose(late);
  ICClose(early);
  ICRemove(ICTYPE_VIDEO, zvnr, 0);
  ASSERT_TRUE(host.stop());
  EXPECT_EQ(host.exitCode(), 0u);
}

}  // namespace
