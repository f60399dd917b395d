#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_options.h"
#include "test_support.h"

namespace {

constexpr DWORD kProcessBound = 120000;

bool Parse(std::vector<const char *> arguments, HostOptions *options, std::string *error) {
  return ParseHostOptions(int(arguments.size()), arguments.data(), options, error);
}

TEST(HostOptions, DefaultIsTheDemoProjectWithVideoAndAudio) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(Parse({}, &options, &error)) << error;
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.height, 360);
  EXPECT_EQ(options.rate, 30000);
  EXPECT_EQ(options.scale, 1001);
  EXPECT_EQ(options.frames, 300);
  EXPECT_EQ(OutputFlags(options), 3);
  EXPECT_EQ(AudioSampleCount(options), 480480);  // 300 frames of 1001/30000 s at 48 kHz
  EXPECT_EQ(options.outputPath, "demo.avi");
}

TEST(HostOptions, FlagsListsAndBothSpellings) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--no-video", "--short-audio-frame", "3", "--short-audio-frame=5,8",
                     "--null-frame=0", "--frames=10", "--output", "x.avi"},
                    &options, &error))
      << error;
  EXPECT_EQ(OutputFlags(options), 2);
  EXPECT_EQ(options.shortAudioFrames, (std::vector<int32_t>{3, 5, 8}));
  EXPECT_EQ(options.nullFrames, (std::vector<int32_t>{0}));
  EXPECT_EQ(options.outputPath, "x.avi");

  ASSERT_TRUE(Parse({"--no-audio", "--flags", "0x6"}, &options, &error)) << error;
  EXPECT_EQ(OutputFlags(options), 6) << "--flags overrides the switches";
}

TEST(HostOptions, RefusesNonsense) {
  const std::vector<std::vector<const char *>> cases = {
      {"--width", "0"},
      {"--width", "12x"},
      {"--height"},
      {"--channels", "33"},
      {"--rate", "0"},
      {"--frames", "-1"},
      {"--serve-seconds", "-1"},
      {"--bogus"},
      {"stray"},
      {"--no-audio=1"},
      {"--output", ""},
      {"--abort-at", "300"},
      {"--null-frame", "4,x"},
      {"--frames", "10", "--short-audio-frame", "10"},
      {"--frames", "2147483647", "--scale", "1000"},
      {"--prerender", "--width", "8000", "--height", "8000"},
  };
  for (const auto &arguments : cases) {
    HostOptions options;
    std::string error;
    EXPECT_FALSE(Parse(arguments, &options, &error)) << arguments[0];
    EXPECT_FALSE(error.empty()) << arguments[0];
  }
}

// What a child printed, with the line ends of text mode turned into "\n".
std::string Printed(ChildProcess &child) {
  std::string text = child.output();
  std::string lines;
  for (char c : text)
    if (c != '\r') lines += c;
  return lines;
}

std::string Host(const std::string &arguments) {
  return ProgramCommand("zvhost.exe") + " " + arguments;
}

TEST(ReferenceHost, BadArgumentsAndMissingPluginExitWithTwo) {
  TempFolder folder;
  for (const std::string &arguments :
       {std::string("--width 0"), "--plugin \"" + folder.file("none.zvo") + "\""}) {
    ChildProcess host(Host(arguments), true);
    ASSERT_TRUE(host.wait(kProcessBound)) << arguments;
    EXPECT_EQ(host.exitCode(), 2u) << arguments;
    EXPECT_NE(host.output().find("zvhost: "), std::string::npos) << host.output();
  }
}

TEST(ReferenceHost, HelpNamesEveryOption) {
  ChildProcess host(Host("--help"), true);
  ASSERT_TRUE(host.wait(kProcessBound));
  EXPECT_EQ(host.exitCode(), 0u);
  for (const char *option : {"--plugin",
                             "--output",
                             "--width",
                             "--height",
                             "--rate",
                             "--scale",
                             "--frames",
                             "--audio-rate",
                             "--channels",
                             "--no-audio",
                             "--no-video",
                             "--flags",
                             "--serve-seconds",
                             "--stop-event",
                             "--ready-event",
                             "--abort-at",
                             "--short-audio-frame",
                             "--null-audio-frame",
                             "--slow-fetch-ms",
                             "--null-frame",
                             "--prerender"})
    EXPECT_NE(host.output().find(option), std::string::npos) << option;
}

struct ServingCase {
  const char *name;
  const char *hostArguments;
  const char *clientArguments;  // frame size and frames asked for
  const char *clientReport;
  const char *hostReport;
};

const ServingCase kServingCases[] = {
    // A frame the project does not have never reaches the host's callback.
    {"demo project", "--null-frame 5", "640 360 0,7,299,5,300",
     "frame 0: exact\nframe 7: exact\nframe 299: exact\nframe 5: unchanged\nframe 300: unchanged\n",
     "frames served: 4 (0 outside 0..299 answered black, 1 without image)"},
    {"prerendered", "--prerender --width 64 --height 36 --frames 20 --slow-fetch-ms 5",
     "64 36 19,0,20", "frame 19: exact\nframe 0: exact\nframe 20: unchanged\n",
     "frames served: 2 (0 outside 0..19 answered black, 0 without image)"},
};

TEST(ReferenceHost, ServesItsProjectToAnotherProcess) {
  for (const ServingCase &c : kServingCases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string ready = UniqueObjectName("zvready");
    const std::string stop = UniqueObjectName("zvstop");
    HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, stop.c_str());
    ChildProcess host(Host("--output \"" + folder.file("demo.avi") + "\" --ready-event " + ready +
                           " --stop-event " + stop + " " + c.hostArguments),
                      true);
    ASSERT_TRUE(host.started());
    const bool serving = WaitForSingleObject(readyEvent, kProcessBound) == WAIT_OBJECT_0;
    EXPECT_TRUE(serving) << host.output();
    if (serving) {
      EXPECT_TRUE(CodecRegistered());
      ChildProcess client(ProgramCommand("exchange_peer.exe") + " client " + c.clientArguments,
                          true);
      ASSERT_TRUE(client.wait(kProcessBound));
      EXPECT_EQ(Printed(client), c.clientReport);
    }
    SetEvent(stopEvent);
    ASSERT_TRUE(host.wait(kProcessBound));
    EXPECT_EQ(host.exitCode(), 0u) << host.output();
    const std::string output = Printed(host);
    EXPECT_NE(output.find("name: Zelvanoor"), std::string::npos) << output;
    EXPECT_NE(output.find("serving the frames of " + folder.file("demo.avi")), std::string::npos)
        << output;
    EXPECT_NE(output.find(c.hostReport), std::string::npos) << output;
    EXPECT_FALSE(CodecRegistered());
    CloseHandle(readyEvent);
    CloseHandle(stopEvent);
  }
}

struct EndingCase {
  const char *arguments;
  DWORD exitCode;
  const char *report;
};

TEST(ReferenceHost, EndsOnItsOwnAndReportsHowTheRunEnded) {
  const EndingCase cases[] = {
      {"--serve-seconds 0", 0, "RunOutput returned 1\n"},
      {"--abort-at 2", 1, "RunOutput returned 0 before serving began\n"},
  };
  for (const EndingCase &c : cases) {
    SCOPED_TRACE(c.arguments);
    TempFolder folder;
    ChildProcess host(Host("--width 32 --height 16 --frames 3 --output \"" +
                           folder.file("short.avi") + "\" " + c.arguments),
                      true);
    ASSERT_TRUE(host.wait(kProcessBound));
    EXPECT_EQ(host.exitCode(), c.exitCode) << host.output();
    EXPECT_NE(Printed(host).find(c.report), std::string::npos) << host.output();
    EXPECT_FALSE(CodecRegistered());
  }
}

}  // namespace

namespace {

// A second host starting an output while the first serves shares every name
// with it: it must give up with the registration box and leave the first
// run's registration and objects alone.
TEST(ReferenceHost, SecondHostLeavesTheServingRunAlone) {
  TempFolder folder;
  const std::string ready = UniqueObjectName("zvready");
  const std::string stop = UniqueObjectName("zvstop");
  HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
  HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, stop.c_str());
  ChildProcess first(Host("--output \"" + folder.file("first.avi") +
                          "\" --width 64 --height 36 --frames 20 --no-audio --ready-event " +
                          ready + " --stop-event " + stop),
                     true);
  ASSERT_TRUE(first.started());
  ASSERT_EQ(WaitForSingleObject(readyEvent, kProcessBound), DWORD(WAIT_OBJECT_0)) << first.output();

  ChildProcess second(Host("--output \"" + folder.file("second.avi") +
                           "\" --width 32 --height 18 --frames 5 --no-audio --serve-seconds 0"),
                      true);
  const FoundBox box = WaitForMessageBox("Zelvanoor", kProcessBound);
  ASSERT_TRUE(box.window) << second.output();
  EXPECT_EQ(FromCodePage932(box.text), L"Codecのインストールに失敗しました。");
  EXPECT_TRUE(CodecRegistered()) << "the second host removed the first one's registration";
  PressOk(box.window);
  ASSERT_TRUE(second.wait(kProcessBound));
  EXPECT_EQ(second.exitCode(), 1u) << second.output();
  EXPECT_EQ(GetFileAttributesA(folder.file("second.avi").c_str()), INVALID_FILE_ATTRIBUTES);

  // The first run still serves its own frames at its own size.
  EXPECT_TRUE(CodecRegistered());
  ChildProcess client(ProgramCommand("exchange_peer.exe") + " client 64 36 3,19", true);
  ASSERT_TRUE(client.wait(kProcessBound));
  EXPECT_EQ(Printed(client), "frame 3: exact\nframe 19: exact\n");

  SetEvent(stopEvent);
  ASSERT_TRUE(first.wait(kProcessBound));
  EXPECT_EQ(first.exitCode(), 0u) << first.output();
  EXPECT_FALSE(CodecRegistered());
  CloseHandle(readyEvent);
  CloseHandle(stopEvent);
}

}  // namespace
