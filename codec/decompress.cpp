// ICM_DECOMPRESS: one frame token in, the host's frame image out, fetched from
// the serving output run through the exchange region.
#include <cstring>

#include "codec_instance.h"
#include "exchange.h"
#include "exchange_guard.h"

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
  // A stated output size below the input's is the caller's smaller buffer.
  const DWORD stated = frame.lpbiOutput->biSizeImage;
  frame.lpbiOutput->biSizeImage = bytes;
  if (stated && stated < bytes) return ICERR_BADFORMAT;
  if (bytes) std::memmove(frame.lpOutput, frame.lpInput, bytes);
  return ICERR_OK;
}

// A token needs four bytes of input. An input format that states its size
// (AVIFile's frame reader does) and states fewer holds no token; 0 says nothing.
bool HoldsToken(const BITMAPINFOHEADER *input) {
  return !input || input->biSizeImage == 0 || input->biSizeImage >= 4;
}

}  // namespace

LRESULT CodecInstance::Decompress(ICDECOMPRESS *frame, DWORD size) const {
  // A stated record size too small for the record means fields we must not
  // read; 0 states nothing.
  if (!frame || (size && size < sizeof(ICDECOMPRESS)) || !frame->lpbiOutput) return ICERR_BADFORMAT;
  BITMAPINFOHEADER &output = *frame->lpbiOutput;
  if (output.biCompression != BI_RGB) return PassThrough(*frame);

  // The caller's output format learns the image size whatever follows. What
  // it stated before is the caller's buffer size, when it stated one.
  const DWORD stated = output.biSizeImage;
  const int32_t bytes = FrameImageSize(output.biWidth, output.biHeight);
  output.biSizeImage = DWORD(bytes);
  if (!connected()) return ICERR_OK;  // no run was serving when this instance opened

  // Nothing is fetched for a negative or overflowing count (a top-down or
  // absurd format), a missing buffer, a buffer the caller says is smaller, or
  // an image larger than the region.
  int32_t checked = 0;
  if (bytes < 0 || !FrameImageSizeChecked(output.biWidth, output.biHeight, &checked) ||
      checked != bytes)
    return ICERR_BADFORMAT;
  if (!frame->lpInput || (bytes && !frame->lpOutput)) return ICERR_BADFORMAT;
  if (stated && stated < DWORD(bytes)) return ICERR_BADFORMAT;
  if (SIZE_T(bytes) > ViewBytes(view)) return ICERR_BADFORMAT;

  // A frame that certainly does not exist (no token, or one the serving run
  // does not have) leaves a black image: AVIFile's frame reader hands the
  // buffer out whatever we return, and the previous frame there would pass
  // for this one. A reply that does not come in time leaves the buffer as it
  // was, and the application cannot tell that from a delivered frame.
  const FrameReply reply =
      HoldsToken(frame->lpbiInput)
          ? RequestFrame(view, commandEvent, finishEvent, mutex, frame->lpInput, frame->lpOutput,
                         bytes, UsableGuard(guardView))
          : kFrameRefused;
  if (reply != kFrameRefused) return ICERR_OK;
  if (bytes > 0) std::memset(frame->lpOutput, 0, uint32_t(bytes));
  return ICERR_BADFORMAT;
}
