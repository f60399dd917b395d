#include "output_run.h"

#include <vfw.h>

#include "codec_path.h"
#include "exchange_guard.h"
#include "messages.h"
#include "reference_avi.h"

namespace {

// The run state lives at module level: the host runs one output at a time.
int32_t width;
int32_t height;
HANDLE mapping;
void *view;
HANDLE commandEvent;
HANDLE finishEvent;
HANDLE mutex;
// Beside the five handles of the exchange: the guard that numbers requests and
// tells clients what this run serves, and the mutex that marks a serving run.
HANDLE guardMapping;
ExchangeGuard *guard;
HANDLE servingMutex;
int32_t frameCount;

// A region of this name left alive by a codec instance of an earlier run (or
// held by another host) is handed back with its old size; a smaller one would
// let every served frame overrun the view.
bool ViewHolds(const void *address, int32_t byteCount) {
  MEMORY_BASIC_INFORMATION region = {};
  if (VirtualQuery(address, &region, sizeof region) == 0) return false;
  return region.RegionSize >= SIZE_T(uint32_t(byteCount));
}

// Another host serving at this moment shares every name with this run: going on
// would hijack its clients, and our teardown would remove its registration.
bool ClaimServing() {
  servingMutex = CreateMutexA(nullptr, FALSE, kServingMutexName);
  if (!servingMutex) return false;
  const DWORD claim = WaitForSingleObject(servingMutex, 0);
  if (claim == WAIT_OBJECT_0 || claim == WAIT_ABANDONED) return true;  // abandoned: its host died
  CloseHandle(servingMutex);
  servingMutex = nullptr;
  return false;
}

void ReleaseServing() {
  if (!servingMutex) return;
  ReleaseMutex(servingMutex);
  CloseHandle(servingMutex);
  servingMutex = nullptr;
}

bool CreateGuard() {
  guardMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(ExchangeGuard), kExchangeGuardName);
  if (guardMapping)
    guard = static_cast<ExchangeGuard *>(MapViewOfFile(guardMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!guard || !ViewHolds(guard, sizeof(ExchangeGuard))) return false;
  StartGuardedRun(guard, FrameImageSize(width, height), frameCount);
  return true;
}

}  // namespace

int32_t OpenExchange() {
  mapping = nullptr;
  view = nullptr;
  commandEvent = nullptr;
  finishEvent = nullptr;
  mutex = nullptr;
  guardMapping = nullptr;
  guard = nullptr;

  if (!ClaimServing()) {
    ShowWarning(kMessageCodecInstallFailed);
    return 0;
  }
  if (codecPath[0] == '\0' ||
      ICInstall(kFourCCVidc, kFourCCZvnr, LPARAM(codecPath), nullptr, ICINSTALL_DRIVER) != 1) {
    ReleaseServing();
    ShowWarning(kMessageCodecInstallFailed);
    return 0;
  }

  mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                               DWORD(FrameImageSize(width, height)), kExchangeMemoryName);
  if (mapping) view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (!mapping || !view || !ViewHolds(view, FrameImageSize(width, height)) || !CreateGuard()) {
    CloseExchange();
    ShowWarning(kMessageMappingFailed);
    return 0;
  }

  commandEvent = CreateEventA(nullptr, TRUE, FALSE, kExchangeCommandName);
  finishEvent = CreateEventA(nullptr, TRUE, TRUE, kExchangeFinishName);
  mutex = CreateMutexA(nullptr, FALSE, kExchangeMutexName);
  if (!commandEvent || !finishEvent || !mutex) {
    CloseExchange();
    ShowWarning(kMessageSyncObjectFailed);
    return 0;
  }
  return 1;
}

int32_t CloseExchange() {
  if (guard) {
    EndGuardedRun(guard);
    UnmapViewOfFile(guard);
  }
  if (guardMapping) CloseHandle(guardMapping);
  if (mutex) CloseHandle(mutex);
  if (commandEvent) CloseHandle(commandEvent);
  if (finishEvent) CloseHandle(finishEvent);
  if (view) UnmapViewOfFile(view);
  if (mapping) CloseHandle(mapping);
  ICRemove(kFourCCVidc, kFourCCZvnr, 0);
  // Only now may another run start: its registration must outlive our removal.
  ReleaseServing();
  return 1;
}

int32_t __cdecl RunOutput(OutputInfo *info) {
  width = info->width;
  height = info->height;
  frameCount = info->frameCount;
  if (OpenExchange() != 1) return 0;
  if (WriteReferenceAvi(info) != 1) {
    CloseExchange();
    return 0;
  }
  while (info->abortRequested() != 1) {
    info->reportProgress(info->frameCount, info->frameCount);
    ServeFrameRequest(view, commandEvent, finishEvent, width, height, info->fetchVideo, guard);
  }
  CloseExchange();
  return 1;
}
