// zvavibench [--frames N] [--keep] FOLDER
// Writes the reference AVI of a 2-hour project (30000/1001 fps, 48 kHz
// stereo demo tone) into FOLDER through the writer, then the same audio
// bytes in the same slices with plain WriteFile, and prints time, sizes and
// peak memory. The rendering of the tone alone is timed too, so that it can
// be taken out of both figures.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio_slices.h"
#include "avifile_calls.h"
#include "demo_project.h"
#include "host_interface.h"
#include "reference_avi.h"

namespace {

const uint32_t kRate = 30000;
const uint32_t kScale = 1001;
const uint32_t kAudioRate = 48000;
const int kChannels = 2;

std::vector<int16_t> audio;
int32_t frameCount;
int32_t lastProgress = -1;

void *__cdecl FetchAudio(int32_t start, int32_t length, int32_t *delivered) {
  if (audio.size() < size_t(length) * kChannels) audio.resize(size_t(length) * kChannels);
  RenderDemoAudio(start, length, kChannels, kAudioRate, audio.data());
  *delivered = length;
  return audio.data();
}

int32_t __cdecl AbortRequested() {
  return 0;
}

void __cdecl ReportProgress(int32_t position, int32_t total) {
  const int32_t percent = int32_t(int64_t(position) * 100 / total);
  if (percent != lastProgress && percent % 10 == 0) {
    std::fprintf(stderr, "  %d%%\n", percent);
    lastProgress = percent;
  }
}

void *__cdecl FetchVideo(int32_t) {
  return nullptr;
}

// The failure box would wait for a user; here it is a line.
void PrintWarning(const char *) {
  std::printf("the writer reported a failure (its box)\n");
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

int64_t FileSize(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

void PrintMemory(const char *when) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  std::printf("%-28s peak working set %.1f MiB, peak committed %.1f MiB\n", when,
              counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0);
}

// The same slices, rendered the same way, written with WriteFile.
bool WritePlain(const std::string &path, int32_t sampleCount, bool write) {
  HANDLE file = INVALID_HANDLE_VALUE;
  if (write) {
    file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
  }
  bool ok = true;
  for (int32_t i = 0; i < frameCount && ok; ++i) {
    const int32_t first = AudioSliceBound(sampleCount, i, frameCount);
    const int32_t end = AudioSliceBound(sampleCount, i + 1, frameCount);
    if (first == end) continue;
    int32_t delivered;
    const void *pcm = FetchAudio(first, end - first, &delivered);
    DWORD written = 0;
    if (write) ok = WriteFile(file, pcm, DWORD(delivered) * 2 * kChannels, &written, nullptr) != 0;
  }
  if (write) CloseHandle(file);
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  frameCount = int32_t(int64_t(7200) * kRate / kScale);  // 2 hours
  bool keep = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
      frameCount = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--keep"))
      keep = true;
    else
      folder = argv[i];
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: zvavibench [--frames N] [--keep] FOLDER\n");
    return 2;
  }
  const int32_t sampleCount = int32_t(int64_t(frameCount) * kScale * kAudioRate / kRate);
  const std::string aviPath = folder + "\\zvavibench.avi";
  const std::string rawPath = folder + "\\zvavibench.pcm";
  std::printf("project: %ld frames at %lu/%lu fps, %ld sample frames of %lu Hz x %d (%.2f GB)\n",
              long(frameCount), static_cast<unsigned long>(kRate),
              static_cast<unsigned long>(kScale), long(sampleCount),
              static_cast<unsigned long>(kAudioRate), kChannels, sampleCount * 4.0 / 1e9);

  LARGE_INTEGER start = Now();
  WritePlain(rawPath, sampleCount, false);
  const double renderSeconds = Seconds(start, Now());
  std::printf("rendering the tone only      %.2f s\n", renderSeconds);

  OutputInfo info = {};
  info.flags = kOutputHasVideo | kOutputHasAudio;
  info.width = 640;
  info.height = 360;
  info.rate = kRate;
  info.scale = kScale;
  info.frameCount = frameCount;
  info.audioSampleRate = kAudioRate;
  info.audioChannels = kChannels;
  info.audioSampleCount = sampleCount;
  info.audioBlockSize = 2 * kChannels;
  info.outputPath = aviPath.c_str();
  info.fetchVideo = FetchVideo;
  info.fetchAudio = FetchAudio;
  info.abortRequested = AbortRequested;
  info.reportProgress = ReportProgress;
  aviFileCalls.showWarning = PrintWarning;
  start = Now();
  const int32_t result = WriteReferenceAvi(&info);
  const double aviSeconds = Seconds(start, Now());
  std::printf("WriteReferenceAvi            %.2f s, result %ld, file %lld bytes\n", aviSeconds,
              long(result), static_cast<long long>(FileSize(aviPath)));
  PrintMemory("after WriteReferenceAvi:");

  start = Now();
  const bool plain = WritePlain(rawPath, sampleCount, true);
  const double plainSeconds = Seconds(start, Now());
  std::printf("WriteFile of the same audio  %.2f s, %s, file %lld bytes\n", plainSeconds,
              plain ? "ok" : "FAILED", static_cast<long long>(FileSize(rawPath)));
  std::printf("without the rendering: writer %.2f s, WriteFile %.2f s\n",
              aviSeconds - renderSeconds, plainSeconds - renderSeconds);
  PrintMemory("at the end:");
  DeleteFileA(rawPath.c_str());
  if (!keep) DeleteFileA(aviPath.c_str());
  return result == 1 && plain ? 0 : 1;
}
