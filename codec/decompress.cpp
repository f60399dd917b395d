// ICM_DECOMPRESS: one frame token in, the host's frame image out, fetched from
// the serving output run through the exchange region.
#include <cstring>

#include "codec_instance.h"
#include "exchange.h"

namespace {

// Bytes that can be read from the start of the view: the mapping is never
// larger than the pages of its view.
SIZE_T ViewBytes(const void *view) {
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(view, &region, sizeof region) != sizeof region) return 0;
  return region.RegionSize;
}

// A ZVNR output receives the tokens themselves.
LRESULT PassThrough(const ICDECOMPRESS &frame) {
  if (!frame.lpbiInput) return ICERR_BADFORMAT;
  const DWORD bytes = frame.lpbiInput->biSizeImage;
  if (bytes && (!frame.lpInput || !frame.lpOutput)) return ICERR_BADFORMAT;
  frame.lpbiOutput->biSizeImage = bytes;
  if (bytes) std::memmove(frame.lpOutput, frame.lpInput, bytes);
  return ICERR_OK;
}

// One client step under the exchange mutex, taken here a second time around
// it (a mutex is recursive for its owner): a request that got no reply is
// withdrawn before the next client may claim the mutex. Left standing, it would
// be answered by the next serving loop to start, and that frame would land in
// the buffer of whoever asks next.
void FetchFrame(const CodecInstance &instance, const void *input, void *output, int32_t bytes) {
  const DWORD claim = WaitForSingleObject(instance.mutex, INFINITE);
  if (claim != WAIT_OBJECT_0 && claim != WAIT_ABANDONED) return;
  RequestFrame(instance.view, instance.commandEvent, instance.finishEvent, instance.mutex, input,
               output, bytes);
  if (WaitForSingleObject(instance.finishEvent, 0) != WAIT_OBJECT_0)
    ResetEvent(instance.commandEvent);
  ReleaseMutex(instance.mutex);
}

}  // namespace

LRESULT CodecInstance::Decompress(ICDECOMPRESS *frame, DWORD) const {
  if (!frame || !frame->lpbiOutput) return ICERR_BADFORMAT;
  BITMAPINFOHEADER &output = *frame->lpbiOutput;
  if (output.biCompression != BI_RGB) return PassThrough(*frame);

  // The caller's output format learns the image size whatever follows.
  const int32_t bytes = FrameImageSize(output.biWidth, output.biHeight);
  output.biSizeImage = DWORD(bytes);
  if (!connected()) return ICERR_OK;  // no run was serving when this instance opened

  // A negative count (a top-down or absurd format), a missing buffer or an
  // image larger than the running output's region cannot be fetched safely.
  if (bytes < 0 || !frame->lpInput || (bytes && !frame->lpOutput)) return ICERR_BADFORMAT;
  if (SIZE_T(bytes) > ViewBytes(view)) return ICERR_BADFORMAT;

  // The application cannot tell a delivered frame from a missed one: a reply
  // that does not come leaves its buffer as it was.
  FetchFrame(*this, frame->lpInput, frame->lpOutput, bytes);
  return ICERR_OK;
}
