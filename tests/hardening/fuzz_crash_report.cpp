#include "fuzz_crash_report.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

char currentCase[1024] = "(before the first case)";

LONG WINAPI ReportCrash(EXCEPTION_POINTERS *exception) {
  const EXCEPTION_RECORD &record = *exception->ExceptionRecord;
  std::fprintf(stderr, "\nCRASH: exception 0x%08lX at %p", record.ExceptionCode,
               record.ExceptionAddress);
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2)
    std::fprintf(stderr, " (%s of %p)", record.ExceptionInformation[0] ? "write" : "read",
                 reinterpret_cast<void *>(record.ExceptionInformation[1]));
  std::fprintf(stderr, "\n  in case: %s\n", currentCase);
  std::fflush(stderr);
  std::fflush(stdout);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashReport() {
  SetUnhandledExceptionFilter(ReportCrash);
}

void SetCurrentCase(const char *description) {
  std::strncpy(currentCase, description, sizeof currentCase - 1);
  currentCase[sizeof currentCase - 1] = 0;
}
