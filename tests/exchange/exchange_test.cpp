#include "exchange.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "demo_project.h"
#include "demo_server_thread.h"
#include "exchange_objects.h"
#include "test_support.h"

namespace {

struct SizeCase {
  int32_t width, height, bytes;
};

TEST(FrameImageSize, RowsArePaddedToFourBytes) {
  const SizeCase cases[] = {
      {1, 1, 4},  {2, 1, 8},     {3, 1, 12}, {4, 1, 12},  {5, 1, 16},
      {7, 2, 48}, {10, 10, 320}, {0, 1, 0},  {0, 480, 0}, {1920, 1080, 6220800},
  };
  for (const SizeCase &c : cases)
    EXPECT_EQ(FrameImageSize(c.width, c.height), c.bytes) << c.width << " x " << c.height;
}

TEST(FrameToken, IsLittleEndian) {
  unsigned char bytes[4];
  WriteFrameToken(bytes, 258);
  EXPECT_EQ(bytes[0], 0x02);
  EXPECT_EQ(bytes[1], 0x01);
  EXPECT_EQ(bytes[2], 0x00);
  EXPECT_EQ(bytes[3], 0x00);
  EXPECT_EQ(ReadFrameToken(bytes), 258);
}

constexpr uint8_t kUntouched = 0xA5;
constexpr DWORD kProcessBound = 60000;

// One client request from this process; the output starts as kUntouched.
std::vector<uint8_t> Request(const ExchangeObjects &objects, int32_t frame, int32_t byteCount) {
  std::vector<uint8_t> output(size_t(byteCount), kUntouched);
  uint8_t token[4];
  WriteFrameToken(token, frame);
  RequestFrame(objects.view, objects.commandEvent, objects.finishEvent, objects.mutex, token,
               output.data(), byteCount);
  return output;
}

bool Untouched(const std::vector<uint8_t> &output) {
  for (uint8_t byte : output)
    if (byte != kUntouched) return false;
  return true;
}

DWORD WINAPI TakeMutexOnce(LPVOID mutex) {
  if (WaitForSingleObject(HANDLE(mutex), 1000) != WAIT_OBJECT_0) return 1;
  ReleaseMutex(HANDLE(mutex));
  return 0;
}

DWORD WINAPI TakeMutexAndDie(LPVOID mutex) {
  return WaitForSingleObject(HANDLE(mutex), 1000) == WAIT_OBJECT_0 ? 0 : 1;
}

// True when a thread other than the caller can take the mutex within a second.
bool MutexFreeForOthers(HANDLE mutex) {
  HANDLE thread = CreateThread(nullptr, 0, &TakeMutexOnce, mutex, 0, nullptr);
  DWORD code = 1;
  if (WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0) GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  return code == 0;
}

// The peer program serving demo frames in a process of its own.
class PeerServer {
 public:
  PeerServer(int32_t width, int32_t height, const std::string &slowFrame = "")
      : ready_(UniqueObjectName("zvready")),
        stop_(UniqueObjectName("zvstop")),
        readyEvent_(CreateEventA(nullptr, TRUE, FALSE, ready_.c_str())),
        stopEvent_(CreateEventA(nullptr, TRUE, FALSE, stop_.c_str())),
        process_(ProgramCommand("exchange_peer.exe") + " server " + std::to_string(width) + " " +
                 std::to_string(height) + " " + ready_ + " " + stop_ + " " + slowFrame) {}
  ~PeerServer() {
    stop();
    CloseHandle(readyEvent_);
    CloseHandle(stopEvent_);
  }
  bool waitReady() { return WaitForSingleObject(readyEvent_, kProcessBound) == WAIT_OBJECT_0; }
  bool stop() {
    SetEvent(stopEvent_);
    return process_.wait(kProcessBound) && process_.exitCode() == 0;
  }

 private:
  std::string ready_, stop_;
  HANDLE readyEvent_, stopEvent_;
  ChildProcess process_;
};

TEST(Exchange, ClientReceivesFramesOfAServerProcessBitExact) {
  const int32_t width = 37, height = 11;  // rows of 111 bytes padded to 112
  PeerServer server(width, height);
  ASSERT_TRUE(server.waitReady());
  ScopedExchangeObjects client(OpenExchangeObjects());
  ASSERT_TRUE(client.objects.complete());
  for (int32_t frame : {0, 258, 7, 0}) {
    const std::vector<uint8_t> image =
        Request(client.objects, frame, FrameImageSize(width, height));
    int32_t shown = -2;
    EXPECT_TRUE(IsDemoFrame(image.data(), frame, width, height, &shown))
        << "asked for " << frame << ", got " << shown;
  }
  EXPECT_TRUE(server.stop());
}

TEST(Exchange, ServerThreadAnswersClientProcess) {
  const int32_t width = 64, height = 48;
  ScopedExchangeObjects objects(CreateExchangeObjects(width, height));
  ASSERT_TRUE(objects.objects.complete());
  DemoServerThread server(objects.objects, width, height);
  ChildProcess client(ProgramCommand("exchange_peer.exe") + " client 64 48 0,1,299,12345", true);
  ASSERT_TRUE(client.wait(kProcessBound));
  EXPECT_EQ(client.exitCode(), 0u) << client.output();
  EXPECT_EQ(server.framesFetched(), 4);
}

TEST(Exchange, ClientWithoutServerTimesOutAndLeavesEverythingAsItWas) {
  const int32_t width = 8, height = 4;
  const int32_t bytes = FrameImageSize(width, height);
  ScopedExchangeObjects objects(CreateExchangeObjects(width, height));
  ASSERT_TRUE(objects.objects.complete());
  auto *region = static_cast<uint8_t *>(objects.objects.view);
  std::memset(region, 0x11, size_t(bytes));

  const std::vector<uint8_t> output = Request(objects.objects, 258, bytes);

  EXPECT_TRUE(Untouched(output));
  const uint8_t request[4] = {0x02, 0x01, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(region, request, 4), 0);
  for (int32_t i = 4; i < bytes; ++i)
    ASSERT_EQ(region[i], 0x11) << "the request wrote beyond its token at " << i;
  EXPECT_TRUE(MutexFreeForOthers(objects.objects.mutex));
}

TEST(Exchange, TwoClientProcessesNeverReceiveEachOthersFrame) {
  const int32_t width = 40, height = 30;
  ScopedExchangeObjects objects(CreateExchangeObjects(width, height));
  ASSERT_TRUE(objects.objects.complete());
  DemoServerThread server(objects.objects, width, height);
  const std::string peer = ProgramCommand("exchange_peer.exe") + " client 40 30 ";
  ChildProcess even(peer + "0,2,4,6,8,10,12,14 5", true);
  ChildProcess odd(peer + "1,3,5,7,9,11,13,15 5", true);
  ASSERT_TRUE(even.wait(kProcessBound));
  ASSERT_TRUE(odd.wait(kProcessBound));
  EXPECT_EQ(even.exitCode(), 0u) << even.output();
  EXPECT_EQ(odd.exitCode(), 0u) << odd.output();
  EXPECT_EQ(server.framesFetched(), 80);
}

TEST(Exchange, LateReplyIsNotTakenForTheNextRequest) {
  // The host takes 3 s for frame 1: its client gives up after 2 s, and the
  // next request must get its own frame, not the late one.
  const int32_t width = 16, height = 16;
  const int32_t bytes = FrameImageSize(width, height);
  PeerServer server(width, height, "1 3000");
  ASSERT_TRUE(server.waitReady());
  ScopedExchangeObjects client(OpenExchangeObjects());
  ASSERT_TRUE(client.objects.complete());

  EXPECT_TRUE(Untouched(Request(client.objects, 1, bytes)));
  const std::vector<uint8_t> next = Request(client.objects, 2, bytes);
  int32_t shown = -2;
  EXPECT_TRUE(IsDemoFrame(next.data(), 2, width, height, &shown)) << "got frame " << shown;
  EXPECT_TRUE(server.stop());
}

TEST(Exchange, NullFrameFromHostIsNotAnswered) {
  const int32_t width = 16, height = 8;
  const int32_t bytes = FrameImageSize(width, height);
  ScopedExchangeObjects objects(CreateExchangeObjects(width, height));
  ASSERT_TRUE(objects.objects.complete());
  DemoServerThread server(objects.objects, width, height, 5);

  EXPECT_TRUE(Untouched(Request(objects.objects, 5, bytes)));
  const std::vector<uint8_t> after = Request(objects.objects, 6, bytes);
  EXPECT_TRUE(IsDemoFrame(after.data(), 6, width, height));
}

TEST(Exchange, AbandonedMutexIsHandedOnWithoutARequest) {
  const int32_t width = 4, height = 4;
  const int32_t bytes = FrameImageSize(width, height);
  ScopedExchangeObjects objects(CreateExchangeObjects(width, height));
  ASSERT_TRUE(objects.objects.complete());
  HANDLE dead = CreateThread(nullptr, 0, &TakeMutexAndDie, objects.objects.mutex, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(dead, 5000), DWORD(WAIT_OBJECT_0));
  CloseHandle(dead);
  auto *region = static_cast<uint8_t *>(objects.objects.view);
  std::memset(region, 0x22, size_t(bytes));

  EXPECT_TRUE(Untouched(Request(objects.objects, 9, bytes)));

  EXPECT_EQ(region[0], 0x22) << "no request may be written after an abandoned claim";
  EXPECT_EQ(WaitForSingleObject(objects.objects.commandEvent, 0), DWORD(WAIT_TIMEOUT));
  EXPECT_TRUE(MutexFreeForOthers(objects.objects.mutex));
}

}  // namespace
