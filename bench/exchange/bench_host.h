#pragma once
// A host for the real output plug-in: loads the plug-in's module as the video
// editor does, hands it a project of prepared frames and audio, and counts
// the plug-in's kernel calls per serving turn. Its abort callback reads a flag
// in the control block, so the serving loop's own calls are all there is.
#include <windows.h>

#include <cstdint>
#include <string>

#include "roles.h"

struct HostProject {
  int32_t width = 640, height = 360;
  int32_t frames = 4;    // every frame is prepared before the output starts
  int32_t prepared = 4;  // distinct images; frame i shows image i % prepared
  bool audio = false;
};

// Role side: runs one output through the plug-in until told to stop.
int RunHostRole(const HostProject &project, const char *path);

struct HostProcess {
  HANDLE process = nullptr;
  HANDLE controlMapping = nullptr;
  Control *control = nullptr;
  std::string path;   // the reference AVI
  RoleReport report;  // filled by StopHost
  bool served = false;
};

// Starts a host and waits until it serves (the reference AVI is written).
bool StartHost(HostProcess *host, const HostProject &project, const std::string &path);
void StopHost(HostProcess *host);
