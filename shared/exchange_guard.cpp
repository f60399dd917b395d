#include "exchange_guard.h"

void StartGuardedRun(ExchangeGuard *guard, int32_t frameImageSize, int32_t frameCount) {
  guard->frameImageSize = frameImageSize;
  guard->frameCount = frameCount;
  // Nothing is pending at the start of a run, whatever a client left behind.
  InterlockedExchange(&guard->replySerial, guard->requestSerial);
  guard->replyStatus = kReplyNoImage;
  guard->magic = kExchangeGuardMagic;
  InterlockedExchange(&guard->serving, 1);
}

void EndGuardedRun(ExchangeGuard *guard) {
  InterlockedExchange(&guard->serving, 0);
}

ExchangeGuard *UsableGuard(void *guardView) {
  auto *guard = static_cast<ExchangeGuard *>(guardView);
  return guard && guard->magic == kExchangeGuardMagic ? guard : nullptr;
}
