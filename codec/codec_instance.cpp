#include "codec_instance.h"

#include <new>

#include "exchange.h"
#include "exchange_guard.h"

CodecInstance::CodecInstance()
    : mapping(nullptr),
      view(nullptr),
      commandEvent(nullptr),
      finishEvent(nullptr),
      mutex(nullptr),
      guardMapping(nullptr),
      guardView(nullptr) {
  mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeMemoryName);
  if (mapping) view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  commandEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeCommandName);
  finishEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, kExchangeFinishName);
  mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kExchangeMutexName);
  guardMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kExchangeGuardName);
  if (guardMapping) guardView = MapViewOfFile(guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
}

CodecInstance::~CodecInstance() {
  if (mutex) CloseHandle(mutex);
  if (commandEvent) CloseHandle(commandEvent);
  if (finishEvent) CloseHandle(finishEvent);
  if (view) UnmapViewOfFile(view);
  if (mapping) CloseHandle(mapping);
  if (guardView) UnmapViewOfFile(guardView);
  if (guardMapping) CloseHandle(guardMapping);
}

bool CodecInstance::connected() const {
  return view && commandEvent && finishEvent && mutex;
}

CodecInstance *OpenCodecInstance(ICOPEN *open) {
  // Only the type is looked at: the codec opens for every mode and refuses
  // what it cannot do message by message.
  if (open && open->fccType != kFourCCVidc) return nullptr;
  CodecInstance *instance = new (std::nothrow) CodecInstance;
  if (open) open->dwError = instance ? ICERR_OK : ICERR_MEMORY;
  return instance;
}

LRESULT CloseCodecInstance(CodecInstance *instance) {
  delete instance;
  return 1;
}
