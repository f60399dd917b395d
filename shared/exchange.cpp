#include "exchange.h"

#include <cstring>

void ServeFrameRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                       int32_t height, FetchVideoCallback fetchVideo) {
  if (WaitForSingleObject(commandEvent, kServerPollMs) != WAIT_OBJECT_0)
    return;
  // Reset the command before the reply is signalled: a client woken by the
  // reply may set the command for its next request at once, and a reset after
  // that would erase the request.
  ResetEvent(commandEvent);
  const int32_t frame = ReadFrameToken(view);
  const void *image = fetchVideo(frame);
  std::memcpy(view, image, uint32_t(FrameImageSize(width, height)));
  SetEvent(finishEvent);
}

void RequestFrame(void *view, HANDLE commandEvent, HANDLE finishEvent, HANDLE mutex,
                  const void *input, void *output, int32_t byteCount) {
  if (WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0)
    return;
  std::memcpy(view, input, 4);
  ResetEvent(finishEvent);
  SetEvent(commandEvent);
  if (WaitForSingleObject(finishEvent, kClientReplyTimeoutMs) == WAIT_OBJECT_0)
    std::memcpy(output, view, uint32_t(byteCount));
  ReleaseMutex(mutex);
}
