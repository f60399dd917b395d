#include "writing_speed.h"

#include <windows.h>

#include <vector>

#include "bench_host.h"
#include "clock.h"

namespace {

// Two pieces per frame, as the writer's chunks come: a small one (the token
// chunk) and the rest of the frame's share of the file (its audio slice).
double PlainWrite(const std::string &path, int64_t bytes, int32_t frames) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const int64_t perFrame = bytes / frames;
  const DWORD small = 12;
  const DWORD rest = DWORD(perFrame > small ? perFrame - small : 0);
  std::vector<uint8_t> data(size_t(perFrame + bytes % frames + small), 0x5A);
  DWORD written;
  const double start = NowSeconds();
  for (int32_t i = 0; i < frames; ++i) {
    WriteFile(file, data.data(), small, &written, nullptr);
    WriteFile(file, data.data(), rest, &written, nullptr);
  }
  WriteFile(file, data.data(), DWORD(bytes - int64_t(frames) * (small + rest)), &written, nullptr);
  CloseHandle(file);
  const double seconds = NowSeconds() - start;
  DeleteFileA(path.c_str());
  return seconds;
}

}  // namespace

WritingFigures MeasureWriting(int32_t frames, const std::string &folder) {
  WritingFigures figures;
  figures.frames = frames;
  HostProject project;
  project.width = 640;
  project.height = 360;
  project.frames = frames;
  project.prepared = 1;
  project.audio = true;
  HostProcess host;
  const std::string path = folder + "zvbench-long.avi";
  figures.ok = StartHost(&host, project, path);
  StopHost(&host);
  figures.writerSeconds = host.report.writingSeconds;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (figures.ok && GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    figures.fileBytes = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  DeleteFileA(path.c_str());
  if (figures.fileBytes > 0)
    figures.plainSeconds = PlainWrite(folder + "zvbench-plain.bin", figures.fileBytes, frames);
  else
    figures.ok = false;
  return figures;
}
