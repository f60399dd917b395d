#include "idle_cost.h"

#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdio>
#include <vector>

#include "bench_host.h"
#include "clock.h"
#include "exchange.h"
#include "exchange_objects.h"

namespace {
// Private names: the idle client must not be answered by the idle server.
constexpr char kIdlePrefix[] = "ZvBenchIdle";
}  // namespace

int RunIdleClientRole(int requests) {
  Control *control = OpenControl(kSecondControlName);
  ExchangeObjects objects = OpenExchangeObjects(kIdlePrefix);
  if (!control || !objects.complete()) return 1;
  std::vector<uint8_t> output(4);
  RoleReport &report = control->report;
  const double cpuStart = ProcessCpuSeconds(GetCurrentProcess());
  const double wallStart = NowSeconds();
  control->ready = 1;
  for (int32_t token = 0; token < requests; ++token) {
    RequestFrame(objects.view, objects.command, objects.finish, objects.mutex, &token,
                 output.data(), 4);
    ++report.frames;
  }
  report.cpuSeconds = ProcessCpuSeconds(GetCurrentProcess()) - cpuStart;
  report.wallSeconds = NowSeconds() - wallStart;
  CloseExchangeObjects(&objects);
  control->done = 1;
  return 0;
}

IdleRun MeasureIdle(double seconds, const std::string &folder) {
  IdleRun run;
  HANDLE clientMapping;
  Control *client = CreateControl(&clientMapping, kSecondControlName);
  // The objects of a client whose server has gone: they exist, nobody serves.
  ExchangeObjects orphaned = CreateExchangeObjects(kIdlePrefix, 1, 1);
  const int requests = int(seconds * 1000 / kClientReplyTimeoutMs + 0.5);
  char arguments[32];
  std::snprintf(arguments, sizeof arguments, "idle-client %d", requests);
  HostProject project;
  project.width = 64;
  project.height = 64;
  HostProcess host;
  if (StartHost(&host, project, folder + "zvbench-idle.avi")) {
    HANDLE clientRole = StartRole(arguments);
    if (clientRole && WaitForFlag(&client->ready, 60000)) {
      Sleep(DWORD(seconds * 1000));
      WaitForFlag(&client->done, DWORD(kClientReplyTimeoutMs * 2));
    }
    EndRole(clientRole, 5000);
  }
  StopHost(&host);
  DeleteFileA(host.path.c_str());
  run.server = host.report;
  run.client = client->report;
  CloseExchangeObjects(&orphaned);
  UnmapViewOfFile(client);
  CloseHandle(clientMapping);
  return run;
}

RoleReport MeasureCodecIdle(int requests, const std::string &folder) {
  RoleReport report;
  HostProject project;
  project.width = 64;
  project.height = 64;
  HostProcess host;
  HIC codec = nullptr;
  BITMAPINFOHEADER input = {};
  input.biSize = sizeof input;
  input.biWidth = project.width;
  input.biHeight = project.height;
  input.biPlanes = 1;
  input.biBitCount = 24;
  input.biCompression = kFourCCZvnr;
  input.biSizeImage = 4;
  BITMAPINFOHEADER output = input;
  output.biCompression = BI_RGB;
  output.biSizeImage = DWORD(FrameImageSize(project.width, project.height));
  std::vector<uint8_t> image(output.biSizeImage);
  if (StartHost(&host, project, folder + "zvbench-idle.avi")) {
    codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS);
    if (codec) ICDecompressBegin(codec, &input, &output);
  }
  StopHost(&host);
  DeleteFileA(host.path.c_str());
  if (!codec) return report;
  const double cpuStart = ProcessCpuSeconds(GetCurrentProcess());
  const double wallStart = NowSeconds();
  for (int32_t token = 0; token < requests; ++token) {
    ICDecompress(codec, 0, &input, &token, &output, image.data());
    ++report.frames;
  }
  report.cpuSeconds = ProcessCpuSeconds(GetCurrentProcess()) - cpuStart;
  report.wallSeconds = NowSeconds() - wallStart;
  ICDecompressEnd(codec);
  ICClose(codec);
  return report;
}
