#include "bench_host.h"

#include <cstdio>
#include <vector>

#include "clock.h"
#include "host_interface.h"
#include "prepared_frames.h"

namespace {

// The callbacks carry no context: the one output of the process lives here.
Control *control;
HostProject project;
PreparedFrames frames;
std::vector<int16_t> audio;
OutputInfo info;
bool serving;
bool servedThisTurn;
double writingStart;
double servingStart;
double cpuAtServing;
CallCounts turnStart;

void *__cdecl FetchVideo(int32_t frame) {
  servedThisTurn = true;
  return const_cast<uint8_t *>(frames.image(frame % project.prepared));
}

void *__cdecl FetchAudio(int32_t start, int32_t length, int32_t *delivered) {
  // One prepared second of tone serves every slice; its content is not checked.
  const int32_t available = int32_t(audio.size() / 2);
  *delivered = length < available ? length : available;
  return audio.data();
}

int32_t __cdecl AbortRequested(void) {
  return control->stop ? 1 : 0;
}

// One serving turn lies between two progress reports: what the plug-in
// called in between is the turn's cost.
void __cdecl ReportProgress(int32_t position, int32_t total) {
  RoleReport &report = control->report;
  if (!serving) {
    if (position == 0) writingStart = NowSeconds();
    if (position != info.frameCount || total != info.frameCount) return;
    serving = true;
    servingStart = NowSeconds();
    cpuAtServing = ProcessCpuSeconds(GetCurrentProcess());
    report.writingSeconds = servingStart - writingStart;
    turnStart = CurrentCallCounts();
    control->ready = 1;
    return;
  }
  const CallCounts now = CurrentCallCounts();
  const CallCounts turn = Difference(now, turnStart);
  turnStart = now;
  if (!servedThisTurn) {
    ++report.idleTurns;
    return;
  }
  servedThisTurn = false;
  for (int kind = 0; kind < kCallKinds; ++kind)
    report.perFrameCalls.calls[kind] += turn.calls[kind];
  ++report.frames;
  if (report.frames == control->watchFrom) report.privateBytesEarly = PrivateBytes();
  if (control->watchFrom && report.frames > control->watchFrom)
    report.allocationsInWatch += turn.calls[kCallAllocation];
}

}  // namespace

int RunHostRole(const HostProject &chosen, const char *path) {
  control = OpenControl();
  if (!control) return 1;
  project = chosen;
  frames = PrepareFrames(project.width, project.height, project.prepared);
  audio.assign(48000 * 2, 0);
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string plugin = module;
  plugin = plugin.substr(0, plugin.find_last_of('\\') + 1) + ZV_PLUGIN_FILE;
  HMODULE library = LoadLibraryA(plugin.c_str());
  auto getTable =
      library ? reinterpret_cast<OutputPluginTable *(__cdecl *)(void)>(
                    reinterpret_cast<void *>(GetProcAddress(library, "GetOutputPluginTable")))
              : nullptr;
  if (!getTable) return 1;
  CountCallsOf(library);
  info = OutputInfo();
  info.flags = kOutputHasVideo | (project.audio ? kOutputHasAudio : 0);
  info.width = project.width;
  info.height = project.height;
  info.rate = 30000;
  info.scale = 1001;
  info.frameCount = project.frames;
  info.audioSampleRate = 48000;
  info.audioChannels = 2;
  info.audioSampleCount =
      project.audio ? int32_t(int64_t(project.frames) * 1001 * 48000 / 30000) : 0;
  info.audioBlockSize = 4;
  info.outputPath = path;
  info.fetchVideo = &FetchVideo;
  info.fetchAudio = &FetchAudio;
  info.abortRequested = &AbortRequested;
  info.reportProgress = &ReportProgress;
  const int32_t result = getTable()->runOutput(&info);
  // The idle figures are those of the serving loop alone.
  control->report.cpuSeconds = ProcessCpuSeconds(GetCurrentProcess()) - cpuAtServing;
  control->report.wallSeconds = NowSeconds() - servingStart;
  if (control->watchFrom) control->report.privateBytesLate = PrivateBytes();
  control->done = 1;
  return result == 1 ? 0 : 1;
}

bool StartHost(HostProcess *host, const HostProject &project, const std::string &path) {
  host->path = path;
  host->control = CreateControl(&host->controlMapping);
  DeleteFileA(path.c_str());
  char arguments[2 * MAX_PATH];
  std::snprintf(arguments, sizeof arguments, "host %d %d %d %d %d \"%s\"", project.width,
                project.height, project.frames, project.prepared, project.audio ? 1 : 0,
                path.c_str());
  host->process = StartRole(arguments);
  if (!host->process) return false;
  // Long projects take their time to write; a host that died does not.
  for (;;) {
    if (WaitForFlag(&host->control->ready, 200)) return host->served = true;
    if (WaitForSingleObject(host->process, 0) == WAIT_OBJECT_0) return false;
  }
}

void StopHost(HostProcess *host) {
  if (host->control) {
    host->control->stop = 1;
    WaitForFlag(&host->control->done, 5000);
    host->report = host->control->report;
  }
  EndRole(host->process, 5000);
  if (host->control) UnmapViewOfFile(host->control);
  if (host->controlMapping) CloseHandle(host->controlMapping);
  host->process = nullptr;
  host->control = nullptr;
  host->controlMapping = nullptr;
}
