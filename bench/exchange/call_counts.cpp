#include "call_counts.h"

#include <cstdlib>

#include "import_hooks.h"

namespace {

volatile LONG64 counts[kCallKinds];
volatile LONG64 platformCounts[kCallKinds];

// The address ranges of the platform modules whose imports are routed here.
struct Range {
  ULONG_PTR begin, end;
};
Range platformRanges[16];
int platformRangeCount;

bool FromPlatform(const void *caller) {
  const ULONG_PTR address = ULONG_PTR(caller);
  for (int i = 0; i < platformRangeCount; ++i)
    if (address >= platformRanges[i].begin && address < platformRanges[i].end) return true;
  return false;
}

void Bump(CallKind kind, const void *caller) {
  InterlockedIncrement64(&counts[kind]);
  if (platformRangeCount && FromPlatform(caller)) InterlockedIncrement64(&platformCounts[kind]);
}

// One wrapper per counted import; `real_X` is what the import pointed to.
#define ZV_COUNTED(kind, convention, ret, name, params, args) \
  decltype(&::name) real_##name;                              \
  ret convention Counted_##name params {                      \
    Bump(kind, __builtin_return_address(0));                  \
    return real_##name args;                                  \
  }

ZV_COUNTED(kCallWait, WINAPI, DWORD, WaitForSingleObject, (HANDLE h, DWORD ms), (h, ms))
ZV_COUNTED(kCallWait, WINAPI, DWORD, WaitForSingleObjectEx, (HANDLE h, DWORD ms, BOOL a),
           (h, ms, a))
ZV_COUNTED(kCallWait, WINAPI, DWORD, WaitForMultipleObjects,
           (DWORD n, const HANDLE *h, BOOL all, DWORD ms), (n, h, all, ms))
ZV_COUNTED(kCallWait, WINAPI, DWORD, WaitForMultipleObjectsEx,
           (DWORD n, const HANDLE *h, BOOL all, DWORD ms, BOOL a), (n, h, all, ms, a))
ZV_COUNTED(kCallWait, WINAPI, DWORD, SignalObjectAndWait, (HANDLE s, HANDLE w, DWORD ms, BOOL a),
           (s, w, ms, a))
ZV_COUNTED(kCallSetEvent, WINAPI, BOOL, SetEvent, (HANDLE h), (h))
ZV_COUNTED(kCallSetEvent, WINAPI, BOOL, PulseEvent, (HANDLE h), (h))
ZV_COUNTED(kCallResetEvent, WINAPI, BOOL, ResetEvent, (HANDLE h), (h))
ZV_COUNTED(kCallReleaseMutex, WINAPI, BOOL, ReleaseMutex, (HANDLE h), (h))
ZV_COUNTED(kCallOtherObject, WINAPI, BOOL, CloseHandle, (HANDLE h), (h))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, OpenEventA, (DWORD a, BOOL i, LPCSTR n), (a, i, n))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, OpenMutexA, (DWORD a, BOOL i, LPCSTR n), (a, i, n))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, OpenFileMappingA, (DWORD a, BOOL i, LPCSTR n),
           (a, i, n))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, CreateEventA,
           (LPSECURITY_ATTRIBUTES s, BOOL m, BOOL i, LPCSTR n), (s, m, i, n))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, CreateMutexA,
           (LPSECURITY_ATTRIBUTES s, BOOL o, LPCSTR n), (s, o, n))
ZV_COUNTED(kCallOtherObject, WINAPI, HANDLE, CreateFileMappingA,
           (HANDLE f, LPSECURITY_ATTRIBUTES s, DWORD p, DWORD hi, DWORD lo, LPCSTR n),
           (f, s, p, hi, lo, n))
ZV_COUNTED(kCallOtherObject, WINAPI, LPVOID, MapViewOfFile,
           (HANDLE m, DWORD a, DWORD hi, DWORD lo, SIZE_T n), (m, a, hi, lo, n))
ZV_COUNTED(kCallOtherObject, WINAPI, BOOL, UnmapViewOfFile, (LPCVOID v), (v))
ZV_COUNTED(kCallOtherObject, WINAPI, BOOL, ReadFile,
           (HANDLE f, LPVOID b, DWORD n, LPDWORD r, LPOVERLAPPED o), (f, b, n, r, o))
ZV_COUNTED(kCallOtherObject, WINAPI, BOOL, WriteFile,
           (HANDLE f, LPCVOID b, DWORD n, LPDWORD w, LPOVERLAPPED o), (f, b, n, w, o))
ZV_COUNTED(kCallOtherObject, WINAPI, DWORD, SetFilePointer, (HANDLE f, LONG d, PLONG hi, DWORD m),
           (f, d, hi, m))
ZV_COUNTED(kCallOtherObject, WINAPI, BOOL, SetFilePointerEx,
           (HANDLE f, LARGE_INTEGER d, PLARGE_INTEGER p, DWORD m), (f, d, p, m))
ZV_COUNTED(kCallQuery, WINAPI, SIZE_T, VirtualQuery,
           (LPCVOID a, PMEMORY_BASIC_INFORMATION b, SIZE_T n), (a, b, n))
ZV_COUNTED(kCallAllocation, __cdecl, void *, malloc, (size_t n), (n))
ZV_COUNTED(kCallAllocation, __cdecl, void *, calloc, (size_t n, size_t s), (n, s))
ZV_COUNTED(kCallAllocation, __cdecl, void *, realloc, (void *p, size_t n), (p, n))
ZV_COUNTED(kCallAllocation, WINAPI, LPVOID, HeapAlloc, (HANDLE h, DWORD f, SIZE_T n), (h, f, n))
ZV_COUNTED(kCallAllocation, WINAPI, LPVOID, HeapReAlloc, (HANDLE h, DWORD f, LPVOID p, SIZE_T n),
           (h, f, p, n))
ZV_COUNTED(kCallAllocation, WINAPI, HLOCAL, LocalAlloc, (UINT f, SIZE_T n), (f, n))
ZV_COUNTED(kCallAllocation, WINAPI, HGLOBAL, GlobalAlloc, (UINT f, SIZE_T n), (f, n))
ZV_COUNTED(kCallAllocation, WINAPI, LPVOID, VirtualAlloc, (LPVOID p, SIZE_T n, DWORD t, DWORD f),
           (p, n, t, f))

#undef ZV_COUNTED

template <typename Function>
void Route(HMODULE module, const char *name, Function replacement, Function *real) {
  void *previous = nullptr;
  if (PatchImport(module, name, reinterpret_cast<void *>(replacement), &previous) && !*real)
    *real = reinterpret_cast<Function>(previous);
}

#define ZV_ROUTE(name) Route(module, #name, &Counted_##name, &real_##name)

}  // namespace

int64_t CallCounts::kernelObjectCalls() const {
  int64_t total = 0;
  for (int kind = 0; kind <= kCallOtherObject; ++kind) total += calls[kind];
  return total;
}

int64_t CallCounts::platformKernelObjectCalls() const {
  int64_t total = 0;
  for (int kind = 0; kind <= kCallOtherObject; ++kind) total += platform[kind];
  return total;
}

void CountCallsOf(HMODULE module, CallSide side) {
  if (!module) return;
  if (side == kPlatform && platformRangeCount < 16) {
    const auto *base = reinterpret_cast<const BYTE *>(module);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    platformRanges[platformRangeCount++] = {ULONG_PTR(base),
                                            ULONG_PTR(base) + nt->OptionalHeader.SizeOfImage};
  }
  // A slot already routed holds a wrapper and no longer matches a name's first
  // patch, so the real target recorded on the first patch stays.
  ZV_ROUTE(WaitForSingleObject);
  ZV_ROUTE(WaitForSingleObjectEx);
  ZV_ROUTE(WaitForMultipleObjects);
  ZV_ROUTE(WaitForMultipleObjectsEx);
  ZV_ROUTE(SignalObjectAndWait);
  ZV_ROUTE(SetEvent);
  ZV_ROUTE(PulseEvent);
  ZV_ROUTE(ResetEvent);
  ZV_ROUTE(ReleaseMutex);
  ZV_ROUTE(CloseHandle);
  ZV_ROUTE(OpenEventA);
  ZV_ROUTE(OpenMutexA);
  ZV_ROUTE(OpenFileMappingA);
  ZV_ROUTE(CreateEventA);
  ZV_ROUTE(CreateMutexA);
  ZV_ROUTE(CreateFileMappingA);
  ZV_ROUTE(MapViewOfFile);
  ZV_ROUTE(UnmapViewOfFile);
  ZV_ROUTE(ReadFile);
  ZV_ROUTE(WriteFile);
  ZV_ROUTE(SetFilePointer);
  ZV_ROUTE(SetFilePointerEx);
  ZV_ROUTE(VirtualQuery);
  ZV_ROUTE(malloc);
  ZV_ROUTE(calloc);
  ZV_ROUTE(realloc);
  ZV_ROUTE(HeapAlloc);
  ZV_ROUTE(HeapReAlloc);
  ZV_ROUTE(LocalAlloc);
  ZV_ROUTE(GlobalAlloc);
  ZV_ROUTE(VirtualAlloc);
}

CallCounts CurrentCallCounts() {
  CallCounts now;
  for (int kind = 0; kind < kCallKinds; ++kind) {
    now.calls[kind] = counts[kind];
    now.platform[kind] = platformCounts[kind];
  }
  return now;
}

CallCounts Difference(const CallCounts &later, const CallCounts &earlier) {
  CallCounts difference;
  for (int kind = 0; kind < kCallKinds; ++kind) {
    difference.calls[kind] = later.calls[kind] - earlier.calls[kind];
    difference.platform[kind] = later.platform[kind] - earlier.platform[kind];
  }
  return difference;
}
