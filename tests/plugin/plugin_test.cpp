#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "box_watcher.h"
#include "demo_project.h"
#include "exchange.h"
#include "exchange_objects.h"
#include "fourcc.h"
#include "plugin_module.h"
#include "test_host.h"
#include "test_support.h"

namespace {

bool SamePath(const std::string &a, const std::string &b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool FileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ExchangeObjectsExist() {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeMemoryName);
  if (mapping) CloseHandle(mapping);
  return mapping != nullptr;
}

TEST(PluginTable, HoldsNameFilterInfoAndEntryOnly) {
  ScopedPlugin plugin(DeliveredPluginPath());
  ASSERT_TRUE(plugin.plugin.module) << DeliveredPluginPath();
  OutputPluginTable *table = plugin.table();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(plugin.table(), table) << "every call gives the same table";

  EXPECT_EQ(table->flags, 0);
  EXPECT_EQ(table->reserved4, nullptr);
  EXPECT_EQ(table->reserved5, nullptr);
  for (void *word : table->reserved) EXPECT_EQ(word, nullptr);
  EXPECT_NE(table->runOutput, nullptr);

  EXPECT_STREQ(table->displayName, "Zelvanoor");
  const char filter[41] = "AviFile (*.avi)\0*.avi\0AllFile (*.*)\0*.*\0";
  EXPECT_EQ(std::memcmp(table->fileFilter, filter, sizeof filter), 0);
  ASSERT_NE(table->infoText, nullptr);
  EXPECT_EQ(std::string(table->infoText).rfind("Zelvanoor ", 0), 0u) << table->infoText;
}

// --- serving ---------------------------------------------------------------

bool objectsSeenWhileServing;
std::string registrationWhileServing;
volatile LONG clientDone;

int32_t AbortAtOnceAfterPlantingARequest(const TestHostLog &, bool) {
  objectsSeenWhileServing = ExchangeObjectsExist();
  registrationWhileServing = CodecRegistrationValue();
  // A pending request: a serving turn would answer it through fetchVideo.
  HANDLE command = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeCommandName);
  if (command) {
    SetEvent(command);
    CloseHandle(command);
  }
  return 1;
}

TEST(OutputRun, AbortAtOnceEndsWithoutServing) {
  TempFolder folder;
  ScopedPlugin plugin(DeliveredPluginPath());
  ASSERT_TRUE(plugin.plugin.module);
  OutputInfo info =
      TestHostInfo(64, 48, 0, 0, folder.file("out.avi"), &AbortAtOnceAfterPlantingARequest);

  EXPECT_EQ(plugin.table()->runOutput(&info), 1);

  const TestHostLog &log = TestHostRecord();
  EXPECT_EQ(log.abortCalls, 1);
  EXPECT_EQ(log.servingReports, 0);
  EXPECT_TRUE(log.fetchedFrames.empty()) << "the loop waited for a request";
  EXPECT_TRUE(objectsSeenWhileServing);
  EXPECT_TRUE(SamePath(registrationWhileServing, ProgramFolder() + "\\zelvanoor.vcm"))
      << registrationWhileServing;
  EXPECT_FALSE(CodecRegistered());
  EXPECT_FALSE(ExchangeObjectsExist());
}

struct ClientResult {
  std::vector<int32_t> asked{0, 2, 5};
  std::vector<bool> exact;
  bool lastUnchanged = false;
};
ClientResult clientResult;
constexpr int32_t kServeWidth = 48, kServeHeight = 20;

DWORD WINAPI RequestFramesWhenServing(LPVOID) {
  if (WaitForSingleObject(TestHostServingEvent(), 30000) == WAIT_OBJECT_0) {
    ScopedExchangeObjects client(OpenExchangeObjects());
    std::vector<uint8_t> image(size_t(FrameImageSize(kServeWidth, kServeHeight)));
    for (int32_t frame : clientResult.asked) {
      uint8_t token[4];
      WriteFrameToken(token, frame);
      std::memset(image.data(), 0xA5, image.size());
      if (client.objects.complete())
        RequestFrame(client.objects.view, client.objects.commandEvent, client.objects.finishEvent,
                     client.objects.mutex, token, image.data(), int32_t(image.size()));
      clientResult.exact.push_back(IsDemoFrame(image.data(), frame, kServeWidth, kServeHeight));
      clientResult.lastUnchanged =
          std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == 0xA5; });
    }
  }
  InterlockedExchange(&clientDone, 1);
  return 0;
}

// 0 while writing; 2 while serving until the client is through (and at least
// three turns, bounded at 200 turns), then 1.
int32_t TwoUntilClientDone(const TestHostLog &log, bool serving) {
  if (!serving) return 0;
  registrationWhileServing = CodecRegistrationValue();
  if (log.abortCallsWhileServing < 3 || (!clientDone && log.abortCallsWhileServing < 200)) return 2;
  return 1;
}

TEST(OutputRun, ServesRequestsUntilAbortReturnsOne) {
  // Without the video bit, too, the objects exist and requests are answered.
  TempFolder folder;
  ScopedPlugin plugin(DeliveredPluginPath());
  ASSERT_TRUE(plugin.plugin.module);
  clientDone = 0;
  OutputInfo info =
      TestHostInfo(kServeWidth, kServeHeight, 3, 0, folder.file("out.avi"), &TwoUntilClientDone);
  HANDLE client = CreateThread(nullptr, 0, &RequestFramesWhenServing, nullptr, 0, nullptr);

  EXPECT_EQ(plugin.table()->runOutput(&info), 1);
  ASSERT_EQ(WaitForSingleObject(client, 30000), DWORD(WAIT_OBJECT_0));
  CloseHandle(client);

  const TestHostLog &log = TestHostRecord();
  // The run has three frames: frame 5 is not asked of the host and brings no image.
  EXPECT_EQ(clientResult.exact, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(log.fetchedFrames, (std::vector<int32_t>{0, 2}));
  EXPECT_TRUE(clientResult.lastUnchanged);
  EXPECT_GE(log.servingReports, 3);
  EXPECT_EQ(log.servingReports, log.abortCallsWhileServing) << "one report per serving turn";
  EXPECT_TRUE(SamePath(registrationWhileServing, ProgramFolder() + "\\zelvanoor.vcm"))
      << registrationWhileServing;
  EXPECT_FALSE(CodecRegistered());
  EXPECT_FALSE(ExchangeObjectsExist());
}

TEST(OutputRun, RegistersTheCodecBesideACopiedPlugin) {
  TempFolder folder;
  const std::string copy = folder.file("render-out.zvx");
  ASSERT_TRUE(CopyFileA(DeliveredPluginPath().c_str(), copy.c_str(), FALSE));
  {
    ScopedPlugin plugin(copy);
    ASSERT_TRUE(plugin.plugin.module);
    OutputInfo info =
        TestHostInfo(8, 8, 0, 0, folder.file("out.avi"), &AbortAtOnceAfterPlantingARequest);
    EXPECT_EQ(plugin.table()->runOutput(&info), 1);
  }
  EXPECT_TRUE(SamePath(registrationWhileServing, folder.path() + "\\render-out.vcm"))
      << registrationWhileServing;
  DeleteFileA(folder.file("out.avi").c_str());
}

// --- setup failures --------------------------------------------------------

LRESULT CALLBACK AcceptEverything(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM) {
  return 1;
}

int32_t AbortAlways(const TestHostLog &, bool) {
  return 1;
}

// What a failure case leaves in the way of the output run, held until the
// case is over.
struct Obstacle {
  HANDLE object = nullptr;
  bool codecFunction = false;
  ~Obstacle() {
    if (object) CloseHandle(object);
    if (codecFunction) ICRemove(kFourCCVidc, kFourCCZvnr, 0);
  }
};

enum class Block { kCodecFunction, kNothing, kSmallRegion, kCommandNameTaken };

struct SetupFailure {
  const char *name;
  Block block;
  int32_t width;
  const wchar_t *message;
};

const SetupFailure kSetupFailures[] = {
    {"registration refused", Block::kCodecFunction, 64, L"Codecのインストールに失敗しました。"},
    {"width 0", Block::kNothing, 0, L"FileMappingObjectの作成に失敗しました。"},
    {"region of that name too small", Block::kSmallRegion, 640,
     L"FileMappingObjectの作成に失敗しました。"},
    {"command event name taken", Block::kCommandNameTaken, 64, L"同期Objectの作成に失敗しました。"},
};

void Place(Block block, Obstacle *obstacle) {
  switch (block) {
    case Block::kCodecFunction:
      obstacle->codecFunction = ICInstall(kFourCCVidc, kFourCCZvnr, LPARAM(&AcceptEverything),
                                          nullptr, ICINSTALL_FUNCTION) == TRUE;
      break;
    case Block::kSmallRegion:
      obstacle->object = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                            kExchangeMemoryName);
      break;
    case Block::kCommandNameTaken:
      obstacle->object = CreateMutexA(nullptr, FALSE, kExchangeCommandName);
      break;
    case Block::kNothing:
      break;
  }
}

bool CodecFunctionStillInstalled() {
  HIC codec = ICOpen(kFourCCVidc, kFourCCZvnr, ICMODE_QUERY);
  if (codec) ICClose(codec);
  return codec != nullptr;
}

TEST(OutputRun, SetupFailureShowsOneBoxAfterReleasingEverything) {
  for (const SetupFailure &c : kSetupFailures) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    Obstacle obstacle;
    Place(c.block, &obstacle);
    if (c.block != Block::kNothing) {
      ASSERT_TRUE(obstacle.object || obstacle.codecFunction);
    }
    ScopedPlugin plugin(DeliveredPluginPath());
    ASSERT_TRUE(plugin.plugin.module);
    OutputInfo info = TestHostInfo(c.width, 360, 10, kOutputHasVideo | kOutputHasAudio,
                                   folder.file("out.avi"), &AbortAlways);

    BoxWatcher watcher;
    const int32_t result = plugin.table()->runOutput(&info);
    const std::vector<BoxSeen> boxes = watcher.finish();

    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(FromCodePage932(boxes[0].text), c.message);
    EXPECT_FALSE(boxes[0].codecRegistered) << "registration left while the box shows";
    EXPECT_EQ(boxes[0].mappingOpenable, c.block == Block::kSmallRegion);
    EXPECT_FALSE(boxes[0].finishEventOpenable);
    EXPECT_FALSE(CodecRegistered());
    EXPECT_EQ(ExchangeObjectsExist(), c.block == Block::kSmallRegion);
    EXPECT_EQ(TestHostRecord().abortCalls + TestHostRecord().writingReports, 0);
    EXPECT_FALSE(FileExists(folder.file("out.avi")));
    if (c.block == Block::kCodecFunction) {
      EXPECT_TRUE(CodecFunctionStillInstalled()) << "a refused registration removed another's";
    }
  }
}

}  // namespace
