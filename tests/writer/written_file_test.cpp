// The writer with the platform's AVIFile, its files read back through the
// platform's reading calls.
#include <windows.h>

#include <gtest/gtest.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstring>

#include "avi_readback.h"
#include "box_watcher.h"
#include "fourcc.h"
#include "reference_avi.h"
#include "test_support.h"
#include "writer_host.h"

namespace {

const int32_t kBoth = kOutputHasVideo | kOutputHasAudio;

struct FileCase {
  const char *name;
  int32_t flags;
  int32_t frameCount;
  int32_t audioSampleCount;
  HostScript script;
  int32_t result;
};

HostScript ShortAt(int32_t frame, int32_t by) {
  HostScript script;
  script.shortFrame = frame;
  script.shortBy = by;
  return script;
}

HostScript AbortAt(int32_t frame) {
  HostScript script;
  script.abortAtFrame = frame;
  return script;
}

std::vector<int32_t> Counting(int32_t n) {
  std::vector<int32_t> v;
  for (int32_t i = 0; i < n; ++i) v.push_back(i);
  return v;
}

void ExpectVideoStream(const StreamReadback &video, const OutputInfo &project, int32_t chunks) {
  EXPECT_EQ(video.info.fccType, kFourCCVids);
  EXPECT_EQ(video.info.fccHandler, kFourCCZvnr);
  EXPECT_EQ(video.info.dwRate, project.rate);
  EXPECT_EQ(video.info.dwScale, project.scale);
  EXPECT_EQ(video.info.rcFrame.right, project.width);
  EXPECT_EQ(video.info.rcFrame.bottom, project.height);
  ASSERT_EQ(video.format.size(), 40u);
  BITMAPINFOHEADER format;
  std::memcpy(&format, video.format.data(), 40);
  EXPECT_EQ(format.biSize, 40u);
  EXPECT_EQ(format.biWidth, project.width);
  EXPECT_EQ(format.biHeight, project.height);
  EXPECT_EQ(format.biPlanes, 1);
  EXPECT_EQ(format.biBitCount, 24);
  EXPECT_EQ(format.biCompression, kFourCCZvnr);
  EXPECT_EQ(format.biSizeImage, 0u);
  EXPECT_EQ(video.start, 0);
  EXPECT_EQ(Tokens(video), Counting(chunks));
}

void ExpectAudioStream(const StreamReadback &audio, const OutputInfo &project,
                       const std::vector<uint8_t> &expected) {
  EXPECT_EQ(audio.info.fccType, kFourCCAuds);
  // Wine's reader gives the rate in sample frames (1/48000) rather than the
  // stored 4/192000; the stored words are read on the Linux side.
  EXPECT_EQ(uint64_t(audio.info.dwRate), uint64_t(audio.info.dwScale) * project.audioSampleRate);
  EXPECT_EQ(audio.info.dwSampleSize, 4u);
  ASSERT_GE(audio.format.size(), 16u);
  WAVEFORMATEX format = {};
  std::memcpy(&format, audio.format.data(), audio.format.size() < 18 ? audio.format.size() : 18);
  EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, project.audioSampleRate);
  EXPECT_EQ(format.nAvgBytesPerSec, 4 * project.audioSampleRate);
  EXPECT_EQ(format.nBlockAlign, 4);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(audio.start, 0);
  // All of it, up to the last sample frame the host delivered: a reader that
  // trusts the stored length (Wine's does) must not stop early.
  EXPECT_EQ(audio.length, LONG(expected.size() / 4));
  ASSERT_EQ(audio.data.size(), expected.size());
  EXPECT_TRUE(audio.data == expected) << "audio differs from what the host delivered";
}

TEST(WrittenFile, ReadBackThroughAviFile) {
  const FileCase cases[] = {
      {"both streams, uneven slices", kBoth, 30, 16016, {}, 1},
      {"a short delivery", kBoth, 30, 16016, ShortAt(7, 100), 1},
      {"a short last delivery", kBoth, 30, 16016, ShortAt(29, 100), 1},
      {"nothing delivered for the first slice", kBoth, 10, 4004, ShortAt(0, 1000), 1},
      {"only audio, 2 sample frames over 5 frames", kOutputHasAudio, 5, 2, {}, 1},
      {"only video", kOutputHasVideo, 12, 4004, {}, 1},
      {"audio sample count 0", kBoth, 6, 0, {}, 1},
      {"frame count 0", kBoth, 0, 16016, {}, 1},
      {"abort at frame 4", kBoth, 30, 16016, AbortAt(4), 0},
  };
  for (const FileCase &c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.file("ref.avi");
    WriterHost host(DemoOutput(c.flags, c.frameCount, c.audioSampleCount, path.c_str()), c.script);
    BoxWatcher boxes;
    ASSERT_EQ(WriteReferenceAvi(host.info()), c.result);
    EXPECT_TRUE(boxes.Stop().empty());
    const int32_t framesWritten =
        c.script.abortAtFrame >= 0 ? c.script.abortAtFrame : (c.frameCount > 0 ? c.frameCount : 0);

    const AviReadback file = ReadAvi(path);
    ASSERT_TRUE(file.opened);
    const bool video = (c.flags & kOutputHasVideo) != 0;
    const bool audio = (c.flags & kOutputHasAudio) != 0;
    ASSERT_EQ(file.streams.size(), size_t(video) + size_t(audio));
    if (video) ExpectVideoStream(file.streams[0], *host.info(), framesWritten);
    if (audio) ExpectAudioStream(file.streams[video ? 1 : 0], *host.info(), host.ExpectedAudio());
    // Nothing of the writer stays open.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
  }
}

// Without streams the file is still created (what it holds is AVIFile's).
TEST(WrittenFile, NoStreamsStillCreatesTheFile) {
  TempFolder folder;
  const std::string path = folder.file("none.avi");
  WriterHost host(DemoOutput(0, 4, 16016, path.c_str()), {});
  BoxWatcher boxes;
  EXPECT_EQ(WriteReferenceAvi(host.info()), 1);
  EXPECT_TRUE(boxes.Stop().empty());
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(host.abortCalls(), 4);
  EXPECT_EQ(host.progressCalls(), 4);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

struct FailureCase {
  const char *name;
  bool uncreatablePath;
  HostScript script;
};

HostScript NullAt(int32_t frame) {
  HostScript script;
  script.nullFrame = frame;
  return script;
}

HostScript Delivering(int32_t count) {
  HostScript script;
  script.deliveredOverride = count;
  return script;
}

// Each failure shows the one box with its text and ends with 0; the file,
// where one was created, is closed.
TEST(WrittenFile, FailuresShowOneBox) {
  const FailureCase cases[] = {
      {"a path that cannot be created", true, {}},
      {"a null audio buffer with a count", false, NullAt(2)},
      {"a delivered count whose byte count needs more than 32 bits", false, Delivering(0x20000000)},
  };
  for (const FailureCase &c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path =
        c.uncreatablePath ? folder.file("no such folder\\ref.avi") : folder.file("ref.avi");
    WriterHost host(DemoOutput(kBoth, 5, 8008, path.c_str()), c.script);
    BoxWatcher boxes;
    EXPECT_EQ(WriteReferenceAvi(host.info()), 0);
    const std::vector<std::string> texts = boxes.Stop();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(FromCodePage932(texts[0]), L"AVIファイルの作成に失敗しました。");
    if (!c.uncreatablePath) {
      EXPECT_TRUE(DeleteFileA(path.c_str()));
    }
  }
}

}  // namespace
