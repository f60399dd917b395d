#pragma once
// State shared beside the exchange region that lets both sides refuse what the
// plain handshake cannot tell apart: a reply meant for an earlier request, a
// request the run cannot answer, a frame of another size, a second serving run.
//
// It lives in objects of its own names, so a plug-in or codec without it still
// works with one that has it: the region and its handshake are unchanged, a
// client that finds no guard uses the plain handshake, and a server that sees
// a request without a new serial answers it as a plain one.
#include <windows.h>

#include <cstdint>

#include "fourcc.h"

constexpr char kExchangeGuardName[] = "ZelvanoorGuard";
// Owned by the thread that serves a run, for the whole run.
constexpr char kServingMutexName[] = "ZelvanoorServing";
constexpr uint32_t kExchangeGuardMagic = MakeFourCC('Z', 'V', 'G', '1');

enum : LONG { kReplyImage = 0, kReplyNoImage = 1 };

struct ExchangeGuard {
  uint32_t magic;               // kExchangeGuardMagic once a server set it up
  volatile LONG serving;        // 1 from the start of a run to its teardown
  int32_t frameImageSize;       // bytes of one frame of the serving run
  int32_t frameCount;           // the run offers the tokens 0 .. frameCount - 1
  volatile LONG requestSerial;  // a client's request number, written after its token
  volatile LONG requestToken;
  volatile LONG replySerial;  // the request number the last reply answered
  volatile LONG replyStatus;  // kReplyImage or kReplyNoImage
};
static_assert(sizeof(ExchangeGuard) == 32, "the guard record is shared between builds");

// Server side: a fresh guard, or one kept alive by a client since an earlier
// run, set up for this run; and its end, after which clients stop asking.
void StartGuardedRun(ExchangeGuard *guard, int32_t frameImageSize, int32_t frameCount);
void EndGuardedRun(ExchangeGuard *guard);

// Client side: the guard in a mapped view, or null when no server made one.
ExchangeGuard *UsableGuard(void *guardView);
