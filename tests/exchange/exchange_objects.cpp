#include "exchange_objects.h"

#include "exchange.h"

ExchangeObjects CreateExchangeObjects(int32_t width, int32_t height) {
  ExchangeObjects objects;
  objects.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       DWORD(FrameImageSize(width, height)), kExchangeMemoryName);
  if (objects.mapping) objects.view = MapViewOfFile(objects.mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  objects.commandEvent = CreateEventA(nullptr, TRUE, FALSE, kExchangeCommandName);
  objects.finishEvent = CreateEventA(nullptr, TRUE, TRUE, kExchangeFinishName);
  objects.mutex = CreateMutexA(nullptr, FALSE, kExchangeMutexName);
  return objects;
}

ExchangeObjects OpenExchangeObjects() {
  ExchangeObjects objects;
  objects.mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeMemoryName);
  if (objects.mapping) objects.view = MapViewOfFile(objects.mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  objects.commandEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeCommandName);
  objects.finishEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeFinishName);
  objects.mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kExchangeMutexName);
  return objects;
}

void CloseExchangeObjects(ExchangeObjects &objects) {
  if (objects.mutex) CloseHandle(objects.mutex);
  if (objects.commandEvent) CloseHandle(objects.commandEvent);
  if (objects.finishEvent) CloseHandle(objects.finishEvent);
  if (objects.view) UnmapViewOfFile(objects.view);
  if (objects.mapping) CloseHandle(objects.mapping);
  objects = ExchangeObjects();
}
