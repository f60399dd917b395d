// The driver's only export: every driver and decompressor message arrives here
// and goes to exactly one operation.
#include "codec_instance.h"

namespace {

const BITMAPINFOHEADER *Format(LPARAM value) {
  return reinterpret_cast<const BITMAPINFOHEADER *>(value);
}

BITMAPINFOHEADER *WritableFormat(LPARAM value) {
  return reinterpret_cast<BITMAPINFOHEADER *>(value);
}

}  // namespace

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                                     LPARAM lParam2) {
  CodecInstance *instance = reinterpret_cast<CodecInstance *>(driverId);
  switch (message) {
    case DRV_LOAD:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_FREE:
    case DRV_INSTALL:
    case DRV_REMOVE:
    case DRV_CONFIGURE:  // nothing to configure, and no dialog to say so
      return 1;
    case DRV_QUERYCONFIGURE:
      return 0;
    case DRV_OPEN:
      return reinterpret_cast<LRESULT>(OpenCodecInstance(reinterpret_cast<ICOPEN *>(lParam2)));
    case DRV_CLOSE:
      return instance ? CloseCodecInstance(instance) : 1;

    case ICM_DECOMPRESS_GET_FORMAT:
      return CodecInstance::DecompressGetFormat(Format(lParam1), WritableFormat(lParam2));
    case ICM_DECOMPRESS_QUERY:
      return CodecInstance::DecompressQuery(Format(lParam1), Format(lParam2));
    case ICM_DECOMPRESS_BEGIN:
      return CodecInstance::DecompressBegin(Format(lParam1), Format(lParam2));
    case ICM_DECOMPRESS:
      if (!instance) return ICERR_BADFORMAT;  // the system never sends a frame to driver id 0
      return instance->Decompress(reinterpret_cast<ICDECOMPRESS *>(lParam1), DWORD(lParam2));
    case ICM_DECOMPRESS_END:
      return CodecInstance::DecompressEnd();

    case ICM_GETSTATE:
    case ICM_SETSTATE:
      return 0;  // no state to save or restore
    case ICM_GETINFO:
      return CodecInstance::GetInfo(reinterpret_cast<ICINFO *>(lParam1), DWORD(lParam2));
    case ICM_CONFIGURE:
      return CodecInstance::Configure(lParam1);
    case ICM_ABOUT:
      return CodecInstance::About(lParam1);

    default:
      if (message < DRV_USER) return DefDriverProc(driverId, driver, message, lParam1, lParam2);
      return ICERR_UNSUPPORTED;  // compression, drawing and everything else
  }
}
