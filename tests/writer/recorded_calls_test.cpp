// The writer's calls, their order and their arguments, recorded through a
// stand-in for AVIFile that shares one log with the host's callbacks.
#include <windows.h>

#include <gtest/gtest.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include "demo_project.h"
#include "recording_avifile.h"
#include "reference_avi.h"
#include "writer_host.h"

namespace {

const char kPath[] = "C:\\out\\ref.avi";
const char kFailureBox[] = "MessageBox(AVIファイルの作成に失敗しました。)";

static_assert(sizeof(AVISTREAMINFOA) == 140, "the ANSI stream description");

std::string Zeros(size_t bytes) {
  return std::string(bytes * 2, '0');
}

// Hex of the demo tone, as the host delivers it.
std::string DemoAudioHex(int32_t start, int32_t count) {
  std::vector<int16_t> pcm(size_t(count) * 2);
  RenderDemoAudio(start, count, 2, 48000, pcm.data());
  return Hex(pcm.data(), pcm.size() * 2);
}

std::string VideoWrite(int32_t frame) {
  const std::string token = Hex(&frame, 4);
  return "AVIStreamWrite(stream1, " + std::to_string(frame) + ", 1, " + token +
         ", 4, 0x10, null, null)";
}

std::string AudioWrite(const char *stream, int32_t start, int32_t count) {
  return std::string("AVIStreamWrite(") + stream + ", " + std::to_string(start) + ", " +
         std::to_string(count) + ", host:" + DemoAudioHex(start, count) + ", " +
         std::to_string(count * 4) + ", 0x10, null, null)";
}

// 3 frames of 64 x 48 at 30000/1001 with 10 sample frames of 48 kHz stereo:
// slices of 3, 3 and 4; the host delivers the second one a sample frame short.
TEST(RecordedCalls, BothStreamsWithUnevenSlicesAndAShortDelivery) {
  std::vector<std::string> log;
  OutputInfo project = DemoOutput(kOutputHasVideo | kOutputHasAudio, 3, 10, kPath);
  HostScript script;
  script.shortFrame = 1;
  WriterHost host(project, script, &log);
  RecordingOptions options;
  options.labelBuffer = [&host](const void *buffer) {
    return buffer == host.lastBuffer() ? "host" : "";
  };
  RecordingAviFile avifile(&log, options);

  ASSERT_EQ(WriteReferenceAvi(host.info()), 1);

  const std::string videoInfo = std::string("76696473") + "5a564e52" + Zeros(4 + 4 + 2 + 2) +
                                "e9030000" + "30750000" + Zeros(6 * 4) + Zeros(8) + "40000000" +
                                "30000000" + Zeros(4 + 4 + 64);
  const std::string videoFormat = std::string("28000000") + "40000000" + "30000000" + "0100" +
                                  "1800" + "5a564e52" + Zeros(5 * 4);
  const std::string audioInfo = std::string("61756473") + Zeros(4 + 4 + 4 + 2 + 2) + "04000000" +
                                "00ee0200" + Zeros(5 * 4) + "04000000" + Zeros(16 + 4 + 4 + 64);
  const std::string audioFormat =
      std::string("0100") + "0200" + "80bb0000" + "00ee0200" + "0400" + "1000" + "0000";
  const std::vector<std::string> expected = {
      "AVIFileInit()",
      "AVIFileOpenA(&, C:\\out\\ref.avi, 0x1001, null)",
      "AVIFileCreateStreamA(file, &, " + videoInfo + ")",
      "AVIStreamSetFormat(stream1, 0, " + videoFormat + ", 40)",
      "AVIFileCreateStreamA(file, &, " + audioInfo + ")",
      "AVIStreamSetFormat(stream2, 0, " + audioFormat + ", 18)",
      "abortRequested()",
      "reportProgress(0, 3)",
      VideoWrite(0),
      "fetchAudio(0, 3)",
      AudioWrite("stream2", 0, 3),
      "abortRequested()",
      "reportProgress(1, 3)",
      VideoWrite(1),
      "fetchAudio(3, 3)",
      AudioWrite("stream2", 3, 2),
      "abortRequested()",
      "reportProgress(2, 3)",
      VideoWrite(2),
      "fetchAudio(6, 4)",
      AudioWrite("stream2", 6, 4),
      "AVIStreamRelease(stream1)",
      "AVIStreamRelease(stream2)",
      "AVIFileRelease(file)",
      "AVIFileExit()",
  };
  EXPECT_EQ(log, expected);
}

// The log with descriptions, formats and payloads left out.
std::vector<std::string> Outline(const std::vector<std::string> &log) {
  std::vector<std::string> outline;
  for (const std::string &line : log) {
    const std::string name = line.substr(0, line.find('('));
    if (name == "AVIFileOpenA" || name == "AVIFileCreateStreamA" || name == "AVIStreamSetFormat") {
      outline.push_back(name);
    } else if (name == "AVIStreamWrite") {
      // Stream, start, samples and bytes.
      std::vector<std::string> args;
      size_t at = line.find('(') + 1;
      for (int i = 0; i < 5; ++i) {
        const size_t comma = line.find(", ", at);
        args.push_back(line.substr(at, comma - at));
        at = comma + 2;
      }
      outline.push_back(name + "(" + args[0] + ", " + args[1] + ", " + args[2] + ", " + args[4] +
                        ")");
    } else {
      outline.push_back(line);
    }
  }
  return outline;
}

struct OutlineCase {
  const char *name;
  int32_t flags;
  int32_t frameCount;
  int32_t audioSampleCount;
  HostScript script;
  RecordingOptions options;
  uint32_t audioSampleRate;  // 0: the project's 48000
  int32_t result;
  std::vector<std::string> calls;
};

HostScript Script(int32_t abortAt, int32_t abortValue, int32_t shortFrame, int32_t shortBy,
                  int32_t nullFrame, int32_t deliveredOverride) {
  HostScript script;
  script.abortAtFrame = abortAt;
  script.abortValue = abortValue;
  script.shortFrame = shortFrame;
  script.shortBy = shortBy;
  script.nullFrame = nullFrame;
  script.deliveredOverride = deliveredOverride;
  return script;
}

RecordingOptions Refuse(const char *call, int occurrence, HRESULT result = E_FAIL) {
  RecordingOptions options;
  options.failCall = call;
  options.failOccurrence = occurrence;
  options.failResult = result;
  return options;
}

RecordingOptions WineLike() {
  RecordingOptions options;
  options.audioLengthInChunks = true;
  return options;
}

RecordingOptions WineLikeRefusing(const char *call, int occurrence) {
  RecordingOptions options = Refuse(call, occurrence);
  options.audioLengthInChunks = true;
  return options;
}

const char kMendTen[] = "MendAudioLength(C:\\out\\ref.avi, 10)";

const int32_t kBoth = kOutputHasVideo | kOutputHasAudio;
const HostScript kPlain;

TEST(RecordedCalls, EdgeCasesAndFailures) {
  const std::string setUp[] = {"AVIFileInit()",      "AVIFileOpenA",         "AVIFileCreateStreamA",
                               "AVIStreamSetFormat", "AVIFileCreateStreamA", "AVIStreamSetFormat"};
  const std::vector<std::string> both(std::begin(setUp), std::end(setUp));
  auto with = [](std::vector<std::string> head, std::vector<std::string> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::vector<std::string> closeBoth = {"AVIStreamRelease(stream1)",
                                              "AVIStreamRelease(stream2)", "AVIFileRelease(file)",
                                              "AVIFileExit()"};
  const std::vector<std::string> frame0 = {"abortRequested()", "reportProgress(0, 3)",
                                           "AVIStreamWrite(stream1, 0, 1, 4)", "fetchAudio(0, 3)",
                                           "AVIStreamWrite(stream2, 0, 3, 12)"};
  const std::vector<std::string> frame1Head = {"abortRequested()", "reportProgress(1, 3)",
                                               "AVIStreamWrite(stream1, 1, 1, 4)",
                                               "fetchAudio(3, 3)"};
  const OutlineCase cases[] = {
      {"frame count 0: streams and formats, no callback",
       kBoth,
       0,
       10,
       kPlain,
       {},
       0,
       1,
       with(both, closeBoth)},
      {"negative frame count", kBoth, -4, 10, kPlain, {}, 0, 1, with(both, closeBoth)},
      {"flags 0: no stream, one abort test and one report per frame",
       0,
       2,
       10,
       kPlain,
       {},
       0,
       1,
       {"AVIFileInit()", "AVIFileOpenA", "abortRequested()", "reportProgress(0, 2)",
        "abortRequested()", "reportProgress(1, 2)", "AVIFileRelease(file)", "AVIFileExit()"}},
      {"only audio, 2 sample frames over 5 frames",
       kOutputHasAudio,
       5,
       2,
       kPlain,
       {},
       0,
       1,
       {"AVIFileInit()",
        "AVIFileOpenA",
        "AVIFileCreateStreamA",
        "AVIStreamSetFormat",
        "abortRequested()",
        "reportProgress(0, 5)",
        "abortRequested()",
        "reportProgress(1, 5)",
        "abortRequested()",
        "reportProgress(2, 5)",
        "fetchAudio(0, 1)",
        "AVIStreamWrite(stream1, 0, 1, 4)",
        "abortRequested()",
        "reportProgress(3, 5)",
        "abortRequested()",
        "reportProgress(4, 5)",
        "fetchAudio(1, 1)",
        "AVIStreamWrite(stream1, 1, 1, 4)",
        "AVIStreamRelease(stream1)",
        "AVIFileRelease(file)",
        "AVIFileExit()"}},
      {"audio sample count 0: fetchAudio never called",
       kBoth,
       2,
       0,
       kPlain,
       {},
       0,
       1,
       with(with(both,
                 {"abortRequested()", "reportProgress(0, 2)", "AVIStreamWrite(stream1, 0, 1, 4)",
                  "abortRequested()", "reportProgress(1, 2)", "AVIStreamWrite(stream1, 1, 1, 4)"}),
            closeBoth)},
      {"nothing delivered: slice skipped, the next one at its own start",
       kBoth,
       3,
       10,
       Script(-1, 1, 1, 3, -1, 0),
       {},
       0,
       1,
       with(with(with(both, frame0), frame1Head),
            with({"abortRequested()", "reportProgress(2, 3)", "AVIStreamWrite(stream1, 2, 1, 4)",
                  "fetchAudio(6, 4)", "AVIStreamWrite(stream2, 6, 4, 16)"},
                 closeBoth))},
      {"abort value 2 at frame 1: closed, no box",
       kBoth,
       3,
       10,
       Script(1, 2, -1, 1, -1, 0),
       {},
       0,
       0,
       with(with(both, frame0), with({"abortRequested()"}, closeBoth))},
      {"open refused: the library is released before the box",
       kBoth,
       3,
       10,
       kPlain,
       Refuse("AVIFileOpenA", 1),
       0,
       0,
       {"AVIFileInit()", "AVIFileOpenA", "AVIFileExit()", kFailureBox}},
      {"video stream refused",
       kBoth,
       3,
       10,
       kPlain,
       Refuse("AVIFileCreateStreamA", 1),
       0,
       0,
       {"AVIFileInit()", "AVIFileOpenA", "AVIFileCreateStreamA", "AVIFileRelease(file)",
        "AVIFileExit()", kFailureBox}},
      {"audio stream refused",
       kBoth,
       3,
       10,
       kPlain,
       Refuse("AVIFileCreateStreamA", 2),
       0,
       0,
       {"AVIFileInit()", "AVIFileOpenA", "AVIFileCreateStreamA", "AVIStreamSetFormat",
        "AVIFileCreateStreamA", "AVIStreamRelease(stream1)", "AVIFileRelease(file)",
        "AVIFileExit()", kFailureBox}},
      {"second video chunk refused", kBoth, 3, 10, kPlain, Refuse("AVIStreamWrite", 3), 0, 0,
       with(with(both, frame0),
            with({"abortRequested()", "reportProgress(1, 3)", "AVIStreamWrite(stream1, 1, 1, 4)"},
                 with(closeBoth, {kFailureBox})))},
      {"audio slice refused: no retry", kBoth, 3, 10, kPlain, Refuse("AVIStreamWrite", 2), 0, 0,
       with(with(both, frame0), with(closeBoth, {kFailureBox}))},
      {"null audio buffer with a count: failed, nothing written",
       kBoth,
       3,
       10,
       Script(-1, 1, -1, 1, 1, 0),
       {},
       0,
       0,
       with(with(with(both, frame0), frame1Head), with(closeBoth, {kFailureBox}))},
      {"delivered count times block size beyond 32 bits",
       kBoth,
       3,
       10,
       Script(-1, 1, -1, 1, -1, 0x20000000),
       {},
       0,
       0,
       with(with(both, {"abortRequested()", "reportProgress(0, 3)",
                        "AVIStreamWrite(stream1, 0, 1, 4)", "fetchAudio(0, 3)"}),
            with(closeBoth, {kFailureBox}))},
      {"a file that would outgrow 2 GiB: failed before the write",
       kBoth,
       3,
       10,
       Script(-1, 1, -1, 1, -1, 300000000),
       {},
       0,
       0,
       with(with(both,
                 {"abortRequested()", "reportProgress(0, 3)", "AVIStreamWrite(stream1, 0, 1, 4)",
                  "fetchAudio(0, 3)", "AVIStreamWrite(stream2, 0, 300000000, 1200000000)",
                  "abortRequested()", "reportProgress(1, 3)", "AVIStreamWrite(stream1, 1, 1, 4)",
                  "fetchAudio(3, 3)"}),
            with(closeBoth, {kFailureBox}))},
      {"block size times sample rate beyond 32 bits: no audio stream",
       kBoth,
       3,
       10,
       kPlain,
       {},
       0x40000000,
       0,
       {"AVIFileInit()", "AVIFileOpenA", "AVIFileCreateStreamA", "AVIStreamSetFormat",
        "AVIStreamRelease(stream1)", "AVIFileRelease(file)", "AVIFileExit()", kFailureBox}},
      // A platform that counts audio in chunks refuses the write at s(i)
      // after the first chunk: the same slice is appended instead.
      {"chunk-counting platform: uneven slices appended", kBoth, 3, 10, kPlain, WineLike(), 0, 1,
       with(with(both, frame0),
            with({"abortRequested()", "reportProgress(1, 3)", "AVIStreamWrite(stream1, 1, 1, 4)",
                  "fetchAudio(3, 3)", "AVIStreamWrite(stream2, 3, 3, 12)",
                  "AVIStreamWrite(stream2, -1, 3, 12)", "abortRequested()", "reportProgress(2, 3)",
                  "AVIStreamWrite(stream1, 2, 1, 4)", "fetchAudio(6, 4)",
                  "AVIStreamWrite(stream2, 6, 4, 16)", "AVIStreamWrite(stream2, -1, 4, 16)"},
                 with(closeBoth, {kMendTen})))},
      {"chunk-counting platform: the gap of a short slice is filled with silence",
       kOutputHasAudio,
       3,
       10,
       Script(-1, 1, 1, 1, -1, 0),
       WineLike(),
       0,
       1,
       {"AVIFileInit()",
        "AVIFileOpenA",
        "AVIFileCreateStreamA",
        "AVIStreamSetFormat",
        "abortRequested()",
        "reportProgress(0, 3)",
        "fetchAudio(0, 3)",
        "AVIStreamWrite(stream1, 0, 3, 12)",
        "abortRequested()",
        "reportProgress(1, 3)",
        "fetchAudio(3, 3)",
        "AVIStreamWrite(stream1, 3, 2, 8)",
        "AVIStreamWrite(stream1, -1, 2, 8)",
        "abortRequested()",
        "reportProgress(2, 3)",
        "fetchAudio(6, 4)",
        "AVIStreamWrite(stream1, 6, 4, 16)",
        "AVIStreamWrite(stream1, -1, 1, 4)",
        "AVIStreamWrite(stream1, -1, 4, 16)",
        "AVIStreamRelease(stream1)",
        "AVIFileRelease(file)",
        "AVIFileExit()",
        kMendTen}},
      {"chunk-counting platform: an empty first slice, the gap filled from 0",
       kOutputHasAudio,
       3,
       10,
       Script(-1, 1, 0, 3, -1, 0),
       WineLike(),
       0,
       1,
       {"AVIFileInit()",
        "AVIFileOpenA",
        "AVIFileCreateStreamA",
        "AVIStreamSetFormat",
        "abortRequested()",
        "reportProgress(0, 3)",
        "fetchAudio(0, 3)",
        "abortRequested()",
        "reportProgress(1, 3)",
        "fetchAudio(3, 3)",
        "AVIStreamWrite(stream1, 3, 3, 12)",
        "AVIStreamWrite(stream1, 0, 3, 12)",
        "AVIStreamWrite(stream1, -1, 3, 12)",
        "abortRequested()",
        "reportProgress(2, 3)",
        "fetchAudio(6, 4)",
        "AVIStreamWrite(stream1, 6, 4, 16)",
        "AVIStreamWrite(stream1, -1, 4, 16)",
        "AVIStreamRelease(stream1)",
        "AVIFileRelease(file)",
        "AVIFileExit()",
        kMendTen}},
      // The mend is made after AVIFile has let go of the file.
      {"chunk-counting platform: a refused mend fails the run after the file is closed", kBoth, 3,
       10, kPlain, WineLikeRefusing("MendAudioLength", 1), 0, 0,
       with(with(both, frame0),
            with({"abortRequested()", "reportProgress(1, 3)", "AVIStreamWrite(stream1, 1, 1, 4)",
                  "fetchAudio(3, 3)", "AVIStreamWrite(stream2, 3, 3, 12)",
                  "AVIStreamWrite(stream2, -1, 3, 12)", "abortRequested()", "reportProgress(2, 3)",
                  "AVIStreamWrite(stream1, 2, 1, 4)", "fetchAudio(6, 4)",
                  "AVIStreamWrite(stream2, 6, 4, 16)", "AVIStreamWrite(stream2, -1, 4, 16)"},
                 with(closeBoth, {kMendTen, kFailureBox})))},
      {"chunk-counting platform: an abort mends the audio written so far, silently", kBoth, 3, 10,
       Script(2, 1, -1, 1, -1, 0), WineLikeRefusing("MendAudioLength", 1), 0, 0,
       with(with(both, frame0),
            with({"abortRequested()", "reportProgress(1, 3)", "AVIStreamWrite(stream1, 1, 1, 4)",
                  "fetchAudio(3, 3)", "AVIStreamWrite(stream2, 3, 3, 12)",
                  "AVIStreamWrite(stream2, -1, 3, 12)", "abortRequested()"},
                 with(closeBoth, {"MendAudioLength(C:\\out\\ref.avi, 6)"})))},
      {"chunk-counting platform: a start inside the written audio is a failure",
       kOutputHasAudio,
       3,
       10,
       Script(-1, 1, -1, 1, -1, 5),
       WineLike(),
       0,
       0,
       {"AVIFileInit()", "AVIFileOpenA", "AVIFileCreateStreamA", "AVIStreamSetFormat",
        "abortRequested()", "reportProgress(0, 3)", "fetchAudio(0, 3)",
        "AVIStreamWrite(stream1, 0, 5, 20)", "abortRequested()", "reportProgress(1, 3)",
        "fetchAudio(3, 3)", "AVIStreamWrite(stream1, 3, 5, 20)", "AVIStreamRelease(stream1)",
        "AVIFileRelease(file)", "AVIFileExit()", kFailureBox}},
  };
  for (const OutlineCase &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> log;
    OutputInfo project = DemoOutput(c.flags, c.frameCount, c.audioSampleCount, kPath);
    if (c.audioSampleRate) project.audioSampleRate = c.audioSampleRate;
    WriterHost host(project, c.script, &log);
    RecordingAviFile avifile(&log, c.options);
    EXPECT_EQ(WriteReferenceAvi(host.info()), c.result);
    EXPECT_EQ(Outline(log), c.calls);
  }
}

// The mend applies to the platform's "cannot place it there" answer only: a
// refused append, or any other refusal, ends the run. The audio written
// before still gets its length.
TEST(RecordedCalls, ChunkCountingPlatformRefusingTheAppend) {
  std::vector<std::string> log;
  WriterHost host(DemoOutput(kOutputHasAudio, 3, 10, kPath), kPlain, &log);
  RecordingOptions options = Refuse("AVIStreamWrite", 3);  // the first append
  options.audioLengthInChunks = true;
  RecordingAviFile avifile(&log, options);
  EXPECT_EQ(WriteReferenceAvi(host.info()), 0);
  const std::vector<std::string> tail(log.end() - 7, log.end());
  EXPECT_EQ(Outline(tail),
            (std::vector<std::string>{
                "AVIStreamWrite(stream1, 3, 3, 12)", "AVIStreamWrite(stream1, -1, 3, 12)",
                "AVIStreamRelease(stream1)", "AVIFileRelease(file)", "AVIFileExit()",
                "MendAudioLength(C:\\out\\ref.avi, 3)", kFailureBox}));
}

}  // namespace
