// The real plug-in inside the reference host: the files it writes read back
// through AVIFile in this process, its boxes answered from here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "avi_readback.h"
#include "box_watcher.h"
#include "demo_project.h"
#include "fourcc.h"
#include "test_support.h"

namespace {

const DWORD kRunMs = 120000;

struct HostRun {
  DWORD exitCode = 0;
  std::vector<std::string> boxes;
  std::string output;
};

HostRun RunHost(const std::string &arguments) {
  HostRun run;
  BoxWatcher watcher;
  ChildProcess host("\"" + ProgramFolder() + "\\zvhost.exe\" --serve-seconds 0 " + arguments, true);
  EXPECT_TRUE(host.started());
  EXPECT_TRUE(host.wait(kRunMs)) << "zvhost did not end";
  run.exitCode = host.exitCode();
  run.output = host.output();
  run.boxes = watcher.Stop();
  return run;
}

std::vector<int32_t> Counting(int32_t n) {
  std::vector<int32_t> v;
  for (int32_t i = 0; i < n; ++i) v.push_back(i);
  return v;
}

// 30 frames at 30000/1001 with 48 kHz stereo: 48048 sample frames in slices
// of 1601 and 1602.
const char kProject[] = "--frames 30 --width 64 --height 48 --rate 30000 --scale 1001 ";

TEST(ThroughPlugin, WritesTokensAndTheHostsAudio) {
  TempFolder folder;
  const std::string path = folder.file("ref.avi");
  const HostRun run = RunHost(std::string(kProject) + "--output \"" + path + "\"");
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(run.boxes.empty());

  const AviReadback file = ReadAvi(path);
  ASSERT_TRUE(file.opened);
  ASSERT_EQ(file.streams.size(), 2u);
  const StreamReadback &video = file.streams[0];
  EXPECT_EQ(video.info.fccType, kFourCCVids);
  EXPECT_EQ(video.info.fccHandler, kFourCCZvnr);
  EXPECT_EQ(video.info.dwRate, 30000u);
  EXPECT_EQ(video.info.dwScale, 1001u);
  ASSERT_EQ(video.format.size(), 40u);
  BITMAPINFOHEADER format;
  std::memcpy(&format, video.format.data(), 40);
  EXPECT_EQ(format.biCompression, kFourCCZvnr);
  EXPECT_EQ(format.biSizeImage, 0u);
  EXPECT_EQ(format.biWidth, 64);
  EXPECT_EQ(format.biHeight, 48);
  EXPECT_EQ(Tokens(video), Counting(30));

  const StreamReadback &audio = file.streams[1];
  EXPECT_EQ(audio.info.fccType, kFourCCAuds);
  ASSERT_EQ(audio.format.size(), 18u);
  WAVEFORMATEX wave;
  std::memcpy(&wave, audio.format.data(), 18);
  EXPECT_EQ(wave.nChannels, 2);
  EXPECT_EQ(wave.nBlockAlign, 4);
  EXPECT_EQ(wave.wBitsPerSample, 16);
  EXPECT_EQ(wave.nAvgBytesPerSec, 4u * 48000);
  // The whole demo tone, as far as a reader through the platform's AVIFile
  // sees it.
  EXPECT_EQ(audio.length, 48048);
  std::vector<int16_t> tone(size_t(48048) * 2);
  RenderDemoAudio(0, 48048, 2, 48000, tone.data());
  ASSERT_EQ(audio.data.size(), tone.size() * 2);
  EXPECT_EQ(std::memcmp(audio.data.data(), tone.data(), audio.data.size()), 0);
}

// An abort while writing: no box, the run fails, and nothing holds the file.
TEST(ThroughPlugin, AbortAtFrameFourLeavesFourChunksAndAFreeFile) {
  TempFolder folder;
  const std::string path = folder.file("ref.avi");
  const HostRun run = RunHost(std::string(kProject) + "--abort-at 4 --output \"" + path + "\"");
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_TRUE(run.boxes.empty());
  const AviReadback file = ReadAvi(path);
  ASSERT_TRUE(file.opened);
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(Tokens(file.streams[0]), Counting(4));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Each failure shows the writer's one box; the run fails and the codec
// registration is gone afterwards.
TEST(ThroughPlugin, FailuresShowTheBoxOnce) {
  struct Case {
    const char *name;
    const char *arguments;
    const char *file;
  };
  const Case cases[] = {
      {"null audio buffer", "--null-audio-frame 2", "ref.avi"},
      {"path that cannot be created", "", "missing folder\\ref.avi"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const HostRun run =
        RunHost(std::string(kProject) + c.arguments + " --output \"" + folder.file(c.file) + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(FromCodePage932(run.boxes[0]), L"AVIファイルの作成に失敗しました。");
    EXPECT_FALSE(CodecRegistered());
  }
}

}  // namespace
