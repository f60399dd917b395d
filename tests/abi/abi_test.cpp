// The plug-in as a 32-bit host sees it: the built DLL loaded and its table read
// through raw 32-bit words at the byte offsets the host uses, RunOutput called
// with a record written word by word, and the host's callbacks checked for
// being called cdecl (the caller removes the arguments). Nothing here uses the
// plug-in's own declarations on 32-bit: a layout or convention that drifted on
// both sides alike would still be caught.
#include <gtest/gtest.h>
#include <windows.h>
#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "time_scale.h"

#if defined(__i386__)
#define ZV_HOST32 1
#else
#define ZV_HOST32 0
#include "host_interface.h"
#endif

#if ZV_HOST32
// Calls fn(arg) the way a 32-bit host calls a cdecl function: push the
// argument, call, remove the argument. *stackDelta receives how far ESP moved
// across the call besides that: 0 for a cdecl callee, 4 for one that removed
// its own argument (stdcall).
extern "C" uint32_t ZvCallCdecl1(const void *fn, const void *arg, int32_t *stackDelta);
asm(".text\n"
    ".globl _ZvCallCdecl1\n"
    "_ZvCallCdecl1:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl %ebx\n"
    "  movl %esp, %esi\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  addl $4, %esp\n"
    "  movl %esp, %ecx\n"
    "  subl %esi, %ecx\n"
    "  movl 16(%ebp), %edx\n"
    "  movl %ecx, (%edx)\n"
    "  movl %esi, %esp\n"
    "  popl %ebx\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");
#endif

namespace {

constexpr uint32_t kZvnr = 0x524E565Au;  // 'ZVNR', first character lowest
constexpr int32_t kWidth = 7;            // odd: rows carry padding
constexpr int32_t kHeight = 5;
constexpr int32_t kFrameCount = 10;
constexpr uint32_t kSampleRate = 8000;
constexpr int32_t kSampleCount = 8000;  // one second at 10 frames per second
constexpr uint32_t kBlockSize = 4;      // 16-bit stereo

int32_t FrameBytes() { return ((3 * kWidth + 3) / 4) * kHeight * 4; }

std::vector<uint8_t> FrameImage(int32_t frame) {
  std::vector<uint8_t> image(static_cast<size_t>(FrameBytes()));
  for (size_t i = 0; i < image.size(); ++i)
    image[i] = uint8_t(i * 7 + size_t(frame) * 53 + 1);
  return image;
}

std::string PluginPath() { return ProgramFolder() + "\\zelvanoor." ZELVANOOR_PLUGIN_EXT; }

#if ZV_HOST32
bool InModule(HMODULE module, uintptr_t address) {
  const auto base = reinterpret_cast<uintptr_t>(module);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(module);
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  return address >= base && address < base + nt->OptionalHeader.SizeOfImage;
}

DWORD Protection(uintptr_t address) {
  MEMORY_BASIC_INFORMATION info = {};
  VirtualQuery(reinterpret_cast<const void *>(address), &info, sizeof info);
  return info.Protect & 0xFF;
}

bool Writable(DWORD protect) {
  return protect == PAGE_READWRITE || protect == PAGE_WRITECOPY ||
         protect == PAGE_EXECUTE_READWRITE || protect == PAGE_EXECUTE_WRITECOPY;
}

bool Executable(DWORD protect) {
  return protect == PAGE_EXECUTE || protect == PAGE_EXECUTE_READ ||
         protect == PAGE_EXECUTE_READWRITE || protect == PAGE_EXECUTE_WRITECOPY;
}
#endif

struct Plugin {
  HMODULE module = LoadLibraryA(PluginPath().c_str());
  ~Plugin() {
    if (module)
      FreeLibrary(module);
  }
  const void *Export(const char *name) const {
    return reinterpret_cast<const void *>(GetProcAddress(module, name));
  }
};

// What the host's callbacks saw. Module-level, since the plug-in calls them on
// the host's thread while the test thread acts as a client.
struct HostLog {
  DWORD hostThread = 0;
  std::atomic<bool> abort{false};
  std::atomic<bool> serving{false};
  HANDLE servingEvent = nullptr;
  int32_t nextWriterFrame = 0;
  int32_t audioEnd = 0;
  std::vector<std::string> errors;
  // The callee's frame address of every call, per call site: a caller that
  // leaves arguments on the stack (treating a cdecl callback as stdcall)
  // lowers it on every turn of a loop.
  std::vector<uintptr_t> writerProgress, writerAudio, servingProgress, servingAbort, video;
  std::vector<uint8_t> image;
  std::vector<uint8_t> audio;
};
HostLog *hostLog;

void Error(const std::string &text) { hostLog->errors.push_back(text); }

void CheckThread(const char *callback) {
  if (GetCurrentThreadId() != hostLog->hostThread)
    Error(std::string(callback) + " called on another thread than RunOutput's");
}

uintptr_t Frame(void *address) { return reinterpret_cast<uintptr_t>(address); }

__attribute__((noinline)) void *__cdecl FetchVideo(int32_t frame) {
  CheckThread("fetchVideo");
  hostLog->video.push_back(Frame(__builtin_frame_address(0)));
  if (frame < 0 || frame >= kFrameCount)
    Error("fetchVideo got frame " + std::to_string(frame));
  hostLog->image = FrameImage(frame);
  return hostLog->image.data();
}

__attribute__((noinline)) void *__cdecl FetchAudio(int32_t start, int32_t length,
                                                   int32_t *delivered) {
  CheckThread("fetchAudio");
  hostLog->writerAudio.push_back(Frame(__builtin_frame_address(0)));
  if (start < hostLog->audioEnd || length < 1 || start + length > kSampleCount ||
      delivered == nullptr) {
    Error("fetchAudio(" + std::to_string(start) + ", " + std::to_string(length) +
          ", delivered) after samples up to " + std::to_string(hostLog->audioEnd));
    if (delivered)
      *delivered = 0;
    return hostLog->audio.data();
  }
  hostLog->audioEnd = start + length;
  *delivered = length;
  return hostLog->audio.data() + size_t(start) * kBlockSize;
}

__attribute__((noinline)) int32_t __cdecl AbortRequested(void) {
  CheckThread("abortRequested");
  if (hostLog->serving)
    hostLog->servingAbort.push_back(Frame(__builtin_frame_address(0)));
  return hostLog->abort ? 1 : 0;
}

__attribute__((noinline)) void __cdecl ReportProgress(int32_t position, int32_t total) {
  CheckThread("reportProgress");
  const uintptr_t frame = Frame(__builtin_frame_address(0));
  if (total != kFrameCount) {
    Error("reportProgress total " + std::to_string(total));
  } else if (position == kFrameCount) {
    hostLog->servingProgress.push_back(frame);
    if (!hostLog->serving.exchange(true))
      SetEvent(hostLog->servingEvent);
  } else if (position == hostLog->nextWriterFrame && !hostLog->serving) {
    hostLog->writerProgress.push_back(frame);
    ++hostLog->nextWriterFrame;
  } else {
    Error("reportProgress(" + std::to_string(position) + ", " + std::to_string(total) +
          ") where frame " + std::to_string(hostLog->nextWriterFrame) + " was due");
  }
}

// Every call from one call site must find the stack at the same depth.
void ExpectOneDepth(const std::vector<uintptr_t> &frames, const char *what) {
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i], frames[0])
        << what << ": call " << i << " found the stack "
        << (long long)(intptr_t(frames[0]) - intptr_t(frames[i]))
        << " bytes deeper than call 0: the caller left arguments on the stack";
  }
}

// The OutputInfo record as the host lays it out, ending right before a page
// that faults on any access: the plug-in reads nothing beyond byte 63.
class GuardedRecord {
 public:
  GuardedRecord() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    page_ = system.dwPageSize;
    base_ = static_cast<uint8_t *>(
        VirtualAlloc(nullptr, 2 * page_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old;
    if (base_)
      VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
  }
  ~GuardedRecord() {
    if (base_)
      VirtualFree(base_, 0, MEM_RELEASE);
  }
  uint8_t *At(size_t size) { return base_ ? base_ + page_ - size : nullptr; }

 private:
  uint8_t *base_ = nullptr;
  DWORD page_ = 0;
};

void *FillRecord(GuardedRecord &memory, const char *outputPath) {
#if ZV_HOST32
  uint8_t *record = memory.At(64);
  if (!record)
    return nullptr;
  auto word = [record](size_t offset, uint32_t value) { std::memcpy(record + offset, &value, 4); };
  auto pointer = [&word](size_t offset, const void *p) {
    word(offset, uint32_t(reinterpret_cast<uintptr_t>(p)));
  };
  word(0, 3);  // video and audio
  word(4, uint32_t(kWidth));
  word(8, uint32_t(kHeight));
  word(12, 10);  // 10 frames per second
  word(16, 1);
  word(20, uint32_t(kFrameCount));
  word(24, 0xA5A5A5A5u);  // the host's own word
  word(28, kSampleRate);
  word(32, 0x7F7F0002u);  // two channels; bytes 34 and 35 are not the plug-in's
  word(36, uint32_t(kSampleCount));
  word(40, kBlockSize);
  pointer(44, outputPath);
  pointer(48, reinterpret_cast<const void *>(&FetchVideo));
  pointer(52, reinterpret_cast<const void *>(&FetchAudio));
  pointer(56, reinterpret_cast<const void *>(&AbortRequested));
  pointer(60, reinterpret_cast<const void *>(&ReportProgress));
  return record;
#else
  auto *info = reinterpret_cast<OutputInfo *>(memory.At(sizeof(OutputInfo)));
  if (!info)
    return nullptr;
  *info = OutputInfo{};
  info->flags = 3;
  info->width = kWidth;
  info->height = kHeight;
  info->rate = 10;
  info->scale = 1;
  info->frameCount = kFrameCount;
  info->hostReserved = int32_t(0xA5A5A5A5u);
  info->audioSampleRate = kSampleRate;
  info->audioChannels = 0x7F7F0002u;
  info->audioSampleCount = kSampleCount;
  info->audioBlockSize = kBlockSize;
  info->outputPath = outputPath;
  info->fetchVideo = &FetchVideo;
  info->fetchAudio = &FetchAudio;
  info->abortRequested = &AbortRequested;
  info->reportProgress = &ReportProgress;
  return info;
#endif
}

struct HostCall {
  const void *runOutput = nullptr;
  void *record = nullptr;
  int32_t result = -1;
  int32_t stackDelta = 0;
};

DWORD WINAPI HostThread(void *parameter) {
  auto *call = static_cast<HostCall *>(parameter);
#if ZV_HOST32
  call->result = int32_t(ZvCallCdecl1(call->runOutput, call->record, &call->stackDelta));
#else
  call->result = reinterpret_cast<RunOutputFn>(const_cast<void *>(call->runOutput))(
      static_cast<OutputInfo *>(call->record));
#endif
  return 0;
}

TEST(PluginTable, ReadAsRaw32BitWords) {
#if !ZV_HOST32
  GTEST_SKIP() << "the host's table is 26 32-bit words; a 64-bit build widens its pointers";
#else
  Plugin plugin;
  ASSERT_NE(plugin.module, nullptr) << PluginPath();
  using GetTable = const void *(__cdecl *)(void);
  const auto getTable = reinterpret_cast<GetTable>(plugin.Export("GetOutputPluginTable"));
  ASSERT_NE(getTable, nullptr);
  EXPECT_EQ(reinterpret_cast<const void *>(getTable), plugin.Export(MAKEINTRESOURCEA(1)))
      << "GetOutputPluginTable is ordinal 1";

  int32_t delta = -1;
  const auto table = ZvCallCdecl1(reinterpret_cast<const void *>(getTable), nullptr, &delta);
  EXPECT_EQ(delta, 0);
  ASSERT_NE(table, 0u);
  EXPECT_EQ(uintptr_t(table), reinterpret_cast<uintptr_t>(getTable()));
  EXPECT_TRUE(InModule(plugin.module, table)) << "the table lives in the module";
  EXPECT_TRUE(Writable(Protection(table))) << "the table is in writable module storage";

  const auto *words = reinterpret_cast<const uint32_t *>(uintptr_t(table));
  for (int i : {0, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
                25})
    EXPECT_EQ(words[i], 0u) << "word " << i;

  ASSERT_TRUE(InModule(plugin.module, words[1]));
  EXPECT_STREQ(reinterpret_cast<const char *>(uintptr_t(words[1])), "Zelvanoor");
  static const char kFilter[] = "AviFile (*.avi)\0*.avi\0AllFile (*.*)\0*.*\0";
  static_assert(sizeof kFilter == 41, "41 bytes with the closing NUL");
  ASSERT_TRUE(InModule(plugin.module, words[2]));
  EXPECT_EQ(std::memcmp(reinterpret_cast<const void *>(uintptr_t(words[2])), kFilter, 41), 0);
  ASSERT_TRUE(InModule(plugin.module, words[3]));
  const auto *info = reinterpret_cast<const char *>(uintptr_t(words[3]));
  EXPECT_GT(std::strlen(info), 0u);
  EXPECT_EQ(std::string(info).find("Zelvanoor"), 0u) << info;

  EXPECT_TRUE(InModule(plugin.module, words[6])) << "word 6 is RunOutput";
  EXPECT_TRUE(Executable(Protection(words[6]))) << "word 6 is code";
#endif
}

TEST(RunOutput, ServesThroughCdeclCallbacks) {
  Plugin plugin;
  ASSERT_NE(plugin.module, nullptr) << PluginPath();
  using GetTable = const void *(__cdecl *)(void);
  const auto getTable = reinterpret_cast<GetTable>(plugin.Export("GetOutputPluginTable"));
  ASSERT_NE(getTable, nullptr);
  const void *table = getTable();
  ASSERT_NE(table, nullptr);
#if ZV_HOST32
  const void *runOutput =
      reinterpret_cast<const void *>(uintptr_t(static_cast<const uint32_t *>(table)[6]));
#else
  const void *runOutput =
      reinterpret_cast<const void *>(static_cast<const OutputPluginTable *>(table)->runOutput);
#endif
  ASSERT_NE(runOutput, nullptr);

  HostLog log;
  log.servingEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  log.audio.assign(size_t(kSampleCount) * kBlockSize, 0);
  hostLog = &log;

  TempFolder folder;
  const std::string path = folder.file("abi.avi");
  GuardedRecord memory;
  HostCall call;
  call.runOutput = runOutput;
  call.record = FillRecord(memory, path.c_str());
  ASSERT_NE(call.record, nullptr);

  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, HostThread, &call, CREATE_SUSPENDED, &threadId);
  ASSERT_NE(thread, nullptr);
  log.hostThread = threadId;
  ResumeThread(thread);

  // Ends the host's call, or its thread when the call does not return: the
  // callbacks must not outlive this test's records.
  auto stopHost = [&]() {
    log.abort = true;
    const DWORD ended = WaitForSingleObject(thread, ScaledWait(30000));
    if (ended != WAIT_OBJECT_0)
      TerminateThread(thread, 1);
    CloseHandle(thread);
    hostLog = nullptr;
    CloseHandle(log.servingEvent);
    return ended == WAIT_OBJECT_0;
  };

  // Until serving starts, a warning box of the plug-in means the run failed:
  // it is reported and dismissed rather than waited out.
  const HANDLE started[] = {log.servingEvent, thread};
  const DWORD deadline = GetTickCount() + ScaledWait(20000);
  DWORD which = WAIT_TIMEOUT;
  std::string boxes;
  while (which == WAIT_TIMEOUT && LONG(GetTickCount() - deadline) < 0) {
    which = WaitForMultipleObjects(2, started, FALSE, 100);
    const FoundBox box = WaitForMessageBox("Zelvanoor", 0);
    if (box.window) {
      boxes += " [" + box.text + "]";
      PressOk(box.window);
    }
  }
  if (which != WAIT_OBJECT_0) {
    stopHost();
    FAIL() << "the serving loop never reported progress (RunOutput gave " << call.result
           << "); warning boxes:" << (boxes.empty() ? " none" : boxes);
  }
  EXPECT_TRUE(CodecRegistered());

  // A client in this process: the compressor manager loads the codec from the
  // plug-in's registration, and each frame comes from fetchVideo.
  HIC codec = ICOpen(ICTYPE_VIDEO, kZvnr, ICMODE_DECOMPRESS);
  EXPECT_NE(codec, nullptr);
  if (codec) {
    BITMAPINFOHEADER in = {sizeof in, kWidth, kHeight, 1, 24, kZvnr, 4, 0, 0, 0, 0};
    BITMAPINFOHEADER out = {sizeof out, kWidth, kHeight, 1, 24, BI_RGB, DWORD(FrameBytes()),
                            0, 0, 0, 0};
    EXPECT_EQ(ICDecompressBegin(codec, &in, &out), ICERR_OK);
    for (int32_t frame : {3, 0, kFrameCount - 1, 3}) {
      std::vector<uint8_t> got(size_t(FrameBytes()), 0xCC);
      int32_t token = frame;
      EXPECT_EQ(ICDecompress(codec, 0, &in, &token, &out, got.data()), DWORD(ICERR_OK));
      EXPECT_EQ(got, FrameImage(frame)) << "frame " << frame;
    }
    ICDecompressEnd(codec);
    ICClose(codec);
  }

  ASSERT_TRUE(stopHost()) << "RunOutput did not return after the abort";

  EXPECT_EQ(call.result, 1);
#if ZV_HOST32
  EXPECT_EQ(call.stackDelta, 0) << "RunOutput removed its own argument: it is not cdecl";
#endif
  EXPECT_FALSE(CodecRegistered());
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  for (const std::string &error : log.errors)
    ADD_FAILURE() << error;

  EXPECT_EQ(log.nextWriterFrame, kFrameCount) << "writer progress for every frame";
  EXPECT_EQ(log.audioEnd, kSampleCount) << "all audio asked for";
  EXPECT_GE(log.video.size(), 4u);
  EXPECT_GE(log.servingAbort.size(), 1u);
  ExpectOneDepth(log.writerProgress, "reportProgress while writing");
  ExpectOneDepth(log.writerAudio, "fetchAudio");
  ExpectOneDepth(log.servingProgress, "reportProgress while serving");
  ExpectOneDepth(log.servingAbort, "abortRequested while serving");
  ExpectOneDepth(log.video, "fetchVideo");
}

}  // namespace
