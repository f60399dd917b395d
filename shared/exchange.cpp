#include "exchange.h"

#include <cstring>

#include "exchange_guard.h"

namespace {

// A request that arrived while the host was still rendering means the client
// we were rendering for has given up and released the mutex: the region now
// holds, or is about to hold, somebody else's request.
bool NewerRequestPending(HANDLE commandEvent) {
  return WaitForSingleObject(commandEvent, 0) == WAIT_OBJECT_0;
}

bool RunOffers(const ExchangeGuard *guard, int32_t frame) {
  return frame >= 0 && frame < guard->frameCount;
}

// A request of a client without the guard: the token is in the region and
// nothing tells its replies apart, so answer only with an image and only while
// its client still waits.
void AnswerPlainRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t bytes,
                        FetchVideoCallback fetchVideo, const ExchangeGuard *guard) {
  const int32_t frame = ReadFrameToken(view);
  if (guard && !RunOffers(guard, frame)) return;
  const void *image = fetchVideo(frame);
  if (!image || NewerRequestPending(commandEvent)) return;
  std::memcpy(view, image, uint32_t(bytes));
  SetEvent(finishEvent);
}

// A numbered request: its token is in the guard, safe from a late reply's
// copy, and the reply carries the number it answers.
void AnswerNumberedRequest(void *view, HANDLE finishEvent, int32_t bytes,
                           FetchVideoCallback fetchVideo, ExchangeGuard *guard, LONG serial) {
  const int32_t frame = guard->requestToken;
  const void *image = RunOffers(guard, frame) ? fetchVideo(frame) : nullptr;
  // Its client gave up while the host rendered: it withdrew the request, or a
  // newer one has taken its place and waits for its own turn.
  if (guard->requestSerial != serial || guard->replySerial == serial) return;
  if (image) std::memcpy(view, image, uint32_t(bytes));
  guard->replyStatus = image ? kReplyImage : kReplyNoImage;
  InterlockedExchange(&guard->replySerial, serial);
  SetEvent(finishEvent);
}

DWORD MillisecondsLeft(DWORD start, DWORD budget) {
  const DWORD spent = GetTickCount() - start;
  return spent < budget ? budget - spent : 0;
}

// The guard's view of a client request; false when the serving run cannot
// answer it, so that no request is made at all.
bool RunCanAnswer(const ExchangeGuard *guard, int32_t frame, int32_t byteCount) {
  return guard->serving && byteCount == guard->frameImageSize && RunOffers(guard, frame);
}

}  // namespace

void ServeFrameRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                       int32_t height, FetchVideoCallback fetchVideo, ExchangeGuard *guard) {
  if (WaitForSingleObject(commandEvent, kServerPollMs) != WAIT_OBJECT_0) return;
  // Reset the command before the reply is signalled: a client woken by the
  // reply may set the command for its next request at once, and a reset after
  // that would erase the request.
  ResetEvent(commandEvent);
  const int32_t bytes = FrameImageSize(width, height);
  const LONG serial = guard ? guard->requestSerial : 0;
  if (guard && serial != guard->replySerial)
    AnswerNumberedRequest(view, finishEvent, bytes, fetchVideo, guard, serial);
  else
    AnswerPlainRequest(view, commandEvent, finishEvent, bytes, fetchVideo, guard);
}

FrameReply RequestFrame(void *view, HANDLE commandEvent, HANDLE finishEvent, HANDLE mutex,
                        const void *input, void *output, int32_t byteCount, ExchangeGuard *guard) {
  const DWORD claim = WaitForSingleObject(mutex, INFINITE);
  if (claim == WAIT_ABANDONED && !guard) {
    // Another client died holding the mutex and a plain server may still
    // answer its request: make none, but hand the mutex on.
    ReleaseMutex(mutex);
    return kFrameUnanswered;
  }
  // With the guard an abandoned mutex is simply ours: our request carries a
  // new number, so nothing the dead client started can be taken for its reply.
  if (claim != WAIT_OBJECT_0 && claim != WAIT_ABANDONED) return kFrameUnanswered;

  const int32_t frame = ReadFrameToken(input);
  LONG serial = 0;
  if (guard) {
    if (!RunCanAnswer(guard, frame, byteCount)) {
      ReleaseMutex(mutex);
      return guard->serving ? kFrameRefused : kFrameUnanswered;
    }
    serial = guard->requestSerial + 1;
    guard->requestToken = frame;
    InterlockedExchange(&guard->requestSerial, serial);
  }

  std::memcpy(view, input, 4);
  ResetEvent(finishEvent);
  SetEvent(commandEvent);
  const DWORD start = GetTickCount();
  FrameReply reply = kFrameUnanswered;
  for (;;) {
    if (guard && guard->replySerial == serial) {
      reply = guard->replyStatus == kReplyImage ? kFrameDelivered : kFrameRefused;
      if (reply == kFrameDelivered) std::memcpy(output, view, uint32_t(byteCount));
      break;
    }
    if (WaitForSingleObject(finishEvent, MillisecondsLeft(start, kClientReplyTimeoutMs)) !=
        WAIT_OBJECT_0) {
      // Withdraw it: no later turn, of this run or the next, may answer it.
      ResetEvent(commandEvent);
      if (guard) InterlockedExchange(&guard->replySerial, serial);
      break;
    }
    if (!guard) {
      std::memcpy(output, view, uint32_t(byteCount));
      reply = kFrameDelivered;
      break;
    }
    // Woken by the reply to an earlier request that came late: ours is still
    // pending under its own number. The loop looks at the number again after
    // the reset, in case our reply was signalled just before it.
    if (guard->replySerial != serial) ResetEvent(finishEvent);
  }
  ReleaseMutex(mutex);
  return reply;
}
