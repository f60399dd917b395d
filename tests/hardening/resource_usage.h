#pragma once
// What a process holds: its handle count and its committed memory, summed by
// a walk of its address space (under Wine the process memory counters and the
// handle count read 0, so they are of no use there).
#include <windows.h>

#include <cstdint>
#include <string>

struct ResourceFigures {
  DWORD handles = 0;
  bool handlesProbed = false;  // counted by probing handle values, not by the system
  uint64_t privateBytes = 0;   // committed MEM_PRIVATE: heaps, stacks, VirtualAlloc
  uint64_t mappedBytes = 0;    // committed MEM_MAPPED: views of sections and files
};

ResourceFigures MeasureResources();

// "handles 123 -> 125 (+2), private 1.5 MiB -> ... (+4 KiB), mapped ..."
std::string DescribeChange(const ResourceFigures &before, const ResourceFigures &after);
