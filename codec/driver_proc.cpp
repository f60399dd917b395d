#include <windows.h>
#include <vfw.h>

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                                     LPARAM lParam2) {
  return DefDriverProc(driverId, driver, message, lParam1, lParam2);
}
