// The codec's self-description, its About box and its lack of settings.
#include <cstring>

#include "codec_instance.h"
#include "fourcc.h"

WCHAR *CopyToWide(WCHAR *destination, const char *source) {
  // Byte value n becomes unit n: the name is plain ASCII, so no code page is
  // involved.
  for (; *source; ++source, ++destination)
    *destination = WCHAR(static_cast<unsigned char>(*source));
  *destination = 0;
  return destination;
}

LRESULT CodecInstance::GetInfo(ICINFO *info, DWORD size) {
  static_assert(sizeof(ICINFO) == 568, "ICINFO has no pointers: the same size in both builds");
  static_assert(sizeof kCodecName <= sizeof ICINFO().szName / sizeof(WCHAR), "name fits szName");
  if (!info) return sizeof(ICINFO);
  if (size < sizeof(ICINFO)) return 0;
  std::memset(info, 0, size);
  info->dwSize = sizeof(ICINFO);
  info->fccType = kFourCCVidc;
  info->fccHandler = kFourCCZvnr;
  info->dwFlags = 0;
  info->dwVersion = 1;
  info->dwVersionICM = ICVERSION;
  CopyToWide(info->szName, kCodecName);
  CopyToWide(info->szDescription, kCodecName);
  return sizeof(ICINFO);
}

LRESULT CodecInstance::Configure(LPARAM) {
  return ICERR_UNSUPPORTED;
}

LRESULT CodecInstance::About(LPARAM window) {
  // -1 asks whether there is a box at all. Window handles carry 32 significant
  // bits, so a caller that widened a 32-bit -1 without sign means the same.
  if (window == LPARAM(-1) || DWORD(window) == 0xFFFFFFFFu) return ICERR_OK;
  MessageBoxA(reinterpret_cast<HWND>(window), kCodecName, kAboutCaption, MB_OK);
  return ICERR_OK;
}
