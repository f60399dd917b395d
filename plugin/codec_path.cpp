#include "codec_path.h"

#include <cstring>

char codecPath[MAX_PATH];

bool CodecPathFromModulePath(const char *modulePath, char (&result)[MAX_PATH]) {
  const int n = lstrlenA(modulePath);
  if (n < 5 || n >= MAX_PATH)
    return false;
  const char *extension = modulePath + n - 4;
  if (extension[0] != '.')
    return false;
  for (int i = 1; i < 4; ++i)
    if (extension[i] == '\\' || extension[i] == '/' || extension[i] == ':' || extension[i] == '.')
      return false;
  if (extension[-1] == '\\' || extension[-1] == '/' || extension[-1] == ':')
    return false;  // ".abc" alone is no base name
  lstrcpyA(result, modulePath);
  lstrcpyA(result + n - 4, ".vcm");
  return true;
}

void ComputeCodecPath(HMODULE module) {
  // One byte more than MAX_PATH: a result that fills it was cut short.
  char modulePath[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, modulePath, sizeof modulePath);
  codecPath[0] = '\0';
  if (length == 0 || length >= MAX_PATH)
    return;
  if (!CodecPathFromModulePath(modulePath, codecPath))
    codecPath[0] = '\0';
}
