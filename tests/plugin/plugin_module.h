#pragma once
// The real plug-in DLL, loaded the way a host loads it.
#include <windows.h>

#include <string>

#include "host_interface.h"

struct LoadedPlugin {
  HMODULE module = nullptr;
  OutputPluginTable *(__cdecl *getTable)(void) = nullptr;
};

// The deliverable beside the test programs.
std::string DeliveredPluginPath();

// LoadLibrary and the table's export; module null when either fails.
LoadedPlugin LoadPlugin(const std::string &path);

// Unloads the module on scope exit.
struct ScopedPlugin {
  LoadedPlugin plugin;
  explicit ScopedPlugin(const std::string &path) : plugin(LoadPlugin(path)) {}
  ~ScopedPlugin() {
    if (plugin.module) FreeLibrary(plugin.module);
  }
  ScopedPlugin(const ScopedPlugin &) = delete;
  ScopedPlugin &operator=(const ScopedPlugin &) = delete;
  OutputPluginTable *table() const { return plugin.getTable ? plugin.getTable() : nullptr; }
};
