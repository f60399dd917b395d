#include <windows.h>

#include "codec_path.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    ComputeCodecPath(module);
  return TRUE;
}
