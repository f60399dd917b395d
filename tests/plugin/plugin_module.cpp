#include "plugin_module.h"

#include "test_support.h"

std::string DeliveredPluginPath() {
  return ProgramFolder() + "\\zelvanoor." ZELVANOOR_PLUGIN_EXT;
}

LoadedPlugin LoadPlugin(const std::string &path) {
  LoadedPlugin plugin;
  plugin.module = LoadLibraryA(path.c_str());
  if (!plugin.module) return plugin;
  plugin.getTable = reinterpret_cast<OutputPluginTable *(__cdecl *)(void)>(
      reinterpret_cast<void *>(GetProcAddress(plugin.module, "GetOutputPluginTable")));
  if (!plugin.getTable) {
    FreeLibrary(plugin.module);
    plugin.module = nullptr;
  }
  return plugin;
}
