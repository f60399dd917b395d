#include "exchange_objects.h"

#include <cstdio>

#include "exchange.h"

namespace {
struct Names {
  char memory[64], command[64], finish[64], mutex[64];
};
Names NamesOf(const char *prefix) {
  Names names;
  std::snprintf(names.memory, sizeof names.memory, "%sMemory", prefix);
  std::snprintf(names.command, sizeof names.command, "%sCommand", prefix);
  std::snprintf(names.finish, sizeof names.finish, "%sFinish", prefix);
  std::snprintf(names.mutex, sizeof names.mutex, "%sMutex", prefix);
  return names;
}
}  // namespace

ExchangeObjects CreateExchangeObjects(const char *prefix, int32_t width, int32_t height) {
  const Names names = NamesOf(prefix);
  ExchangeObjects objects;
  objects.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       DWORD(FrameImageSize(width, height)), names.memory);
  if (objects.mapping) objects.view = MapViewOfFile(objects.mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  objects.command = CreateEventA(nullptr, TRUE, FALSE, names.command);
  objects.finish = CreateEventA(nullptr, TRUE, TRUE, names.finish);
  objects.mutex = CreateMutexA(nullptr, FALSE, names.mutex);
  return objects;
}

ExchangeObjects OpenExchangeObjects(const char *prefix) {
  const Names names = NamesOf(prefix);
  ExchangeObjects objects;
  objects.mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, names.memory);
  if (objects.mapping) objects.view = MapViewOfFile(objects.mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  objects.command = OpenEventA(EVENT_ALL_ACCESS, FALSE, names.command);
  objects.finish = OpenEventA(EVENT_ALL_ACCESS, FALSE, names.finish);
  objects.mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, names.mutex);
  return objects;
}

bool CreateExchangeGuard(ExchangeObjects *objects, int32_t width, int32_t height,
                         int32_t frameCount) {
  objects->guardMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             sizeof(ExchangeGuard), kExchangeGuardName);
  if (!objects->guardMapping) return false;
  objects->guard = static_cast<ExchangeGuard *>(
      MapViewOfFile(objects->guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!objects->guard) return false;
  StartGuardedRun(objects->guard, FrameImageSize(width, height), frameCount);
  return true;
}

bool OpenExchangeGuard(ExchangeObjects *objects) {
  objects->guardMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeGuardName);
  if (!objects->guardMapping) return false;
  void *view = MapViewOfFile(objects->guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  objects->guard = UsableGuard(view);
  if (!objects->guard && view) UnmapViewOfFile(view);
  return objects->guard != nullptr;
}

void CloseExchangeObjects(ExchangeObjects *objects) {
  if (objects->guard) UnmapViewOfFile(objects->guard);
  if (objects->guardMapping) CloseHandle(objects->guardMapping);
  if (objects->mutex) CloseHandle(objects->mutex);
  if (objects->command) CloseHandle(objects->command);
  if (objects->finish) CloseHandle(objects->finish);
  if (objects->view) UnmapViewOfFile(objects->view);
  if (objects->mapping) CloseHandle(objects->mapping);
  *objects = ExchangeObjects();
}
