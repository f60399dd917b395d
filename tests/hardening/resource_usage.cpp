#include "resource_usage.h"

#include <cstdio>

namespace {

// Handle values are small multiples of 4 handed out from the bottom of the
// table, so a run of this many unused values means the table ends.
constexpr uintptr_t kUnusedRunAtEnd = 4096;

DWORD ProbeHandles() {
  DWORD count = 0;
  uintptr_t unused = 0;
  for (uintptr_t value = 4; unused < kUnusedRunAtEnd; value += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++count;
      unused = 0;
    } else {
      ++unused;
    }
  }
  return count;
}

}  // namespace

ResourceFigures MeasureResources() {
  ResourceFigures figures;
  // Wine answers 0 here; then the table is counted entry by entry.
  if (!GetProcessHandleCount(GetCurrentProcess(), &figures.handles) || figures.handles == 0) {
    figures.handles = ProbeHandles();
    figures.handlesProbed = true;
  }
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const uint8_t *address = static_cast<const uint8_t *>(system.lpMinimumApplicationAddress);
  const uint8_t *end = static_cast<const uint8_t *>(system.lpMaximumApplicationAddress);
  MEMORY_BASIC_INFORMATION region;
  while (address < end && VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT) {
      if (region.Type == MEM_PRIVATE) figures.privateBytes += region.RegionSize;
      if (region.Type == MEM_MAPPED) figures.mappedBytes += region.RegionSize;
    }
    address = static_cast<const uint8_t *>(region.BaseAddress) + region.RegionSize;
  }
  return figures;
}

std::string DescribeChange(const ResourceFigures &before, const ResourceFigures &after) {
  char text[256];
  std::snprintf(
      text, sizeof text,
      "handles%s %lu -> %lu (%+ld), private %llu KiB -> %llu KiB (%+lld KiB), "
      "mapped %llu KiB -> %llu KiB (%+lld KiB)",
      after.handlesProbed ? " (probed)" : "", static_cast<unsigned long>(before.handles),
      static_cast<unsigned long>(after.handles), long(after.handles) - long(before.handles),
      static_cast<unsigned long long>(before.privateBytes / 1024),
      static_cast<unsigned long long>(after.privateBytes / 1024),
      (static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes)) /
          1024,
      static_cast<unsigned long long>(before.mappedBytes / 1024),
      static_cast<unsigned long long>(after.mappedBytes / 1024),
      (static_cast<long long>(after.mappedBytes) - static_cast<long long>(before.mappedBytes)) /
          1024);
  return text;
}
