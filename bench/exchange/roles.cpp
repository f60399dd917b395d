#include "roles.h"

#include <cstdio>
#include <cstring>

Control *CreateControl(HANDLE *mapping, const char *name) {
  *mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Control), name);
  auto *control = static_cast<Control *>(MapViewOfFile(*mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  std::memset(static_cast<void *>(control), 0, sizeof *control);
  control->report = RoleReport();
  return control;
}

Control *OpenControl(const char *name) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
  if (!mapping) return nullptr;
  return static_cast<Control *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

HANDLE StartRole(const char *arguments) {
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  char line[2 * MAX_PATH];
  std::snprintf(line, sizeof line, "\"%s\" --role %s", program, arguments);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return nullptr;
  CloseHandle(info.hThread);
  return info.hProcess;
}

void EndRole(HANDLE process, DWORD ms) {
  if (!process) return;
  if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  CloseHandle(process);
}

bool WaitForFlag(const volatile LONG *flag, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!*flag) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

double ProcessCpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto seconds = [](const FILETIME &t) {
    return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

int64_t PrivateBytes() {
  // The platform's own counters are not kept under Wine, so add up the
  // committed private regions of the address space.
  int64_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const BYTE *address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const BYTE *>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      total += int64_t(region.RegionSize);
  }
  return total;
}
