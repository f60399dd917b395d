#pragma once
// The reference host (zvhost) as the serving side: the demo project with
// every frame rendered beforehand (--prerender), serving for a fixed time.
// Its abort callback is cheap only without --stop-event, so the run is ended
// by --serve-seconds.
#include <windows.h>

#include <cstdint>
#include <string>

struct DemoHost {
  HANDLE process = nullptr;
  HANDLE ready = nullptr;
  std::string path;
};

bool StartDemoHost(DemoHost *host, int32_t width, int32_t height, int32_t frames, int serveSeconds,
                   const std::string &path);
// Waits for the host to end its run by itself.
void WaitDemoHost(DemoHost *host);
