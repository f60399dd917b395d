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
  kCallOtherObject,   // open, create, close, map, unmap, file reads, writes and seeks
  kCallQuery,         // VirtualQuery: no kernel object, but a trip into the platform
  kCallAllocation,    // malloc, calloc, realloc, new, HeapAlloc, LocalAlloc, GlobalAlloc,
                      // VirtualAlloc
  kCallKinds
};

// Who made a call: our modules (this program, the codec driver, the plug-in)
// or the platform's (AVIFile, the compressor manager, ...).
enum CallSide { kOurs, kPlatform, kCallSides };

struct CallCounts {
  int64_t calls[kCallKinds] = {};
  int64_t platform[kCallKinds] = {};  // of those, made by platform modules
  int64_t kernelObjectCalls() const;  // every kind but allocations
  int64_t platformKernelObjectCalls() const;
};

// Routes the module's imports through the counting wrappers; `side` names
// whose code the module is.
void CountCallsOf(HMODULE module, CallSide side = kOurs);

CallCounts CurrentCallCounts();
CallCounts Difference(const CallCounts &later, const CallCounts &earlier);
