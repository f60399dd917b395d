#pragma once
// The platform calls the reference AVI writer makes, reached through one table
// of function pointers. The plug-in uses the platform's own entries; a test can
// replace them to record every call with its arguments, or to refuse some.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdint>

struct AviFileCalls {
  void(WINAPI *fileInit)(void);
  HRESULT(WINAPI *fileOpen)(PAVIFILE *file, LPCSTR path, UINT mode, LPCLSID handler);
  HRESULT(WINAPI *createStream)(PAVIFILE file, PAVISTREAM *stream, AVISTREAMINFOA *info);
  HRESULT(WINAPI *setFormat)(PAVISTREAM stream, LONG position, LPVOID format, LONG formatBytes);
  HRESULT(WINAPI *write)
  (PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes, DWORD flags,
   LONG *samplesWritten, LONG *bytesWritten);
  ULONG(WINAPI *streamRelease)(PAVISTREAM stream);
  ULONG(WINAPI *fileRelease)(PAVIFILE file);
  void(WINAPI *fileExit)(void);
  // The repair of the audio length in the closed file (avi_length_mend.h),
  // made only after the platform counted audio in chunks.
  bool (*mendAudioLength)(const char *path, uint32_t frames);
  // The failure box, so that its place among the calls above can be seen too.
  void (*showWarning)(const char *text);
};

// The table the writer calls through.
extern AviFileCalls aviFileCalls;

// The platform's own entries, to put back what a test replaced.
AviFileCalls PlatformAviFileCalls();
