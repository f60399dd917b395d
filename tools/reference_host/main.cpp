// zvhost: a reference host for output plug-ins. It loads the plug-in, lists
// what its table says and outputs the demo project through it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host_interface.h"
#include "host_options.h"
#include "host_session.h"
#include "progress_bar.h"

namespace {

constexpr int kExitRunOk = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

std::string HostFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full(path, n);
  return full.substr(0, full.find_last_of('\\'));
}

std::string FullPath(const std::string &path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

// The filter list is pairs of NUL-terminated texts closed by an empty one;
// a bound keeps a broken list from running away.
void PrintFileFilter(const char *filter) {
  std::printf("file types:");
  const char *end = filter + 4096;
  for (const char *p = filter; p && p < end && *p;) {
    const char *pattern = p + lstrlenA(p) + 1;
    std::printf(" %s = %s;", p, pattern);
    p = *pattern ? pattern + lstrlenA(pattern) + 1 : nullptr;
  }
  std::printf("\n");
}

void PrintTable(const std::string &path, const OutputPluginTable &table) {
  std::printf("plug-in: %s\n", path.c_str());
  std::printf("name: %s\n", table.displayName ? table.displayName : "(none)");
  if (table.fileFilter) PrintFileFilter(table.fileFilter);
  std::printf("info: %s\n", table.infoText ? table.infoText : "(none)");
}

void PrintProject(const OutputInfo &info) {
  std::printf("project: %ld x %ld, %lu/%lu fps, %ld frames", long(info.width), long(info.height),
              static_cast<unsigned long>(info.rate), static_cast<unsigned long>(info.scale),
              long(info.frameCount));
  if (info.flags & kOutputHasAudio)
    std::printf(", audio %lu Hz x %lu channels, %ld sample frames",
                static_cast<unsigned long>(info.audioSampleRate),
                static_cast<unsigned long>(info.audioChannels), long(info.audioSampleCount));
  std::printf(" (flags %ld)\n", long(info.flags));
  std::fflush(stdout);
}

int Refuse(const std::string &reason) {
  std::fprintf(stderr, "zvhost: %s\nTry 'zvhost --help'.\n", reason.c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char **argv) {
  HostOptions options;
  std::string error;
  if (!ParseHostOptions(argc - 1, argv + 1, &options, &error)) return Refuse(error);
  if (options.help) {
    std::fputs(kHostUsage, stdout);
    return kExitRunOk;
  }

  const std::string pluginPath = options.pluginPath.empty()
                                     ? HostFolder() + "\\zelvanoor." ZELVANOOR_PLUGIN_EXT
                                     : options.pluginPath;
  HMODULE plugin = LoadLibraryA(pluginPath.c_str());
  if (!plugin) return Refuse("cannot load the plug-in " + pluginPath);
  typedef OutputPluginTable *(__cdecl * GetTableFn)(void);
  const auto getTable = reinterpret_cast<GetTableFn>(
      reinterpret_cast<void *>(GetProcAddress(plugin, "GetOutputPluginTable")));
  const OutputPluginTable *table = getTable ? getTable() : nullptr;
  if (!table || !table->runOutput) {
    FreeLibrary(plugin);
    return Refuse(pluginPath + " is no output plug-in (no GetOutputPluginTable or no RunOutput)");
  }
  PrintTable(pluginPath, *table);

  const std::string outputPath = FullPath(options.outputPath);
  if (!StartSession(options, outputPath, &error)) {
    FreeLibrary(plugin);
    return Refuse(error);
  }
  OutputInfo *info = SessionOutputInfo();
  PrintProject(*info);

  const int32_t result = table->runOutput(info);
  EndProgress();

  const SessionCounts counts = SessionResult();
  std::printf("RunOutput returned %ld%s\n", long(result),
              counts.servingBegan ? "" : " before serving began");
  std::printf("frames served: %lld (%lld outside 0..%ld answered black, %lld without image)\n",
              static_cast<long long>(counts.framesServed),
              static_cast<long long>(counts.framesOutside), long(info->frameCount) - 1,
              static_cast<long long>(counts.framesWithoutImage));
  std::fflush(stdout);
  FreeLibrary(plugin);
  return result == 1 ? kExitRunOk : kExitRunFailed;
}
