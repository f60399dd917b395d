#include "exchange.h"

#include <cstring>

namespace {

// A request that arrived while the host was still rendering means the client
// we were rendering for has given up and released the mutex: the region now
// holds, or is about to hold, somebody else's request, and answering it with
// the old frame would hand that client the wrong image.
bool NewerRequestPending(HANDLE commandEvent) {
  return WaitForSingleObject(commandEvent, 0) == WAIT_OBJECT_0;
}

}  // namespace

void ServeFrameRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                       int32_t height, FetchVideoCallback fetchVideo) {
  if (WaitForSingleObject(commandEvent, kServerPollMs) != WAIT_OBJECT_0) return;
  // Reset the command before the reply is signalled: a client woken by the
  // reply may set the command for its next request at once, and a reset after
  // that would erase the request.
  ResetEvent(commandEvent);
  const int32_t frame = ReadFrameToken(view);
  const void *image = fetchVideo(frame);
  // No image, no reply: the client runs into its time-out and keeps its
  // buffer, which is better than a copy from nowhere or a made-up frame.
  if (!image || NewerRequestPending(commandEvent)) return;
  std::memcpy(view, image, uint32_t(FrameImageSize(width, height)));
  SetEvent(finishEvent);
}

void RequestFrame(void *view, HANDLE commandEvent, HANDLE finishEvent, HANDLE mutex,
                  const void *input, void *output, int32_t byteCount) {
  const DWORD claim = WaitForSingleObject(mutex, INFINITE);
  if (claim == WAIT_ABANDONED) {
    // Another client died holding the mutex; its request state is unknown, so
    // make none, but hand the mutex on instead of shutting everyone out.
    ReleaseMutex(mutex);
    return;
  }
  if (claim != WAIT_OBJECT_0) return;
  std::memcpy(view, input, 4);
  ResetEvent(finishEvent);
  SetEvent(commandEvent);
  if (WaitForSingleObject(finishEvent, kClientReplyTimeoutMs) == WAIT_OBJECT_0)
    std::memcpy(output, view, uint32_t(byteCount));
  ReleaseMutex(mutex);
}
