#pragma once
// Counts the kernel-object calls and the allocations that a module makes, by
// routing its imports through counting wrappers. Under Wine every kernel-object
// call is a round trip to the wineserver, so these counts explain the time.
#include <windows.h>

#include <cstdint>

enum CallKind {
  kCallWait,          // WaitForSingleObject(Ex), WaitForMultipleObjects(Ex), SignalObjectAndWait
  kCallSetEvent,      // SetEvent, PulseEvent
  kCallResetEvent,    // ResetEvent
  kCallReleaseMutex,  // ReleaseMutex
  kCallOtherObject,   // open, create, close, map, unmap, file reads and writes
  kCallAllocation,    // malloc, calloc, realloc, new, HeapAlloc, LocalAlloc, GlobalAlloc,
                      // VirtualAlloc
  kCallKinds
};

struct CallCounts {
  int64_t calls[kCallKinds] = {};
  int64_t kernelObjectCalls() const;  // every kind but allocations
};

// Routes the module's imports through the counting wrappers (idempotent per module).
void CountCallsOf(HMODULE module);

CallCounts CurrentCallCounts();
CallCounts Difference(const CallCounts &later, const CallCounts &earlier);
