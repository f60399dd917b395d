#pragma once
// The run-time contract between the output plug-in (the server) and every codec
// instance (a client): the named objects, the two time-outs and the two roles of
// one request/reply step. Both deliverables compile this file.
#include <windows.h>

#include <cstdint>

#include "fourcc.h"
#include "frame_image.h"

constexpr char kExchangeMemoryName[] = "ZelvanoorMemory";
constexpr char kExchangeCommandName[] = "ZelvanoorCommand";
constexpr char kExchangeFinishName[] = "ZelvanoorFinish";
constexpr char kExchangeMutexName[] = "ZelvanoorMutex";

constexpr DWORD kServerPollMs = 250;           // how long the serving loop waits for a request
constexpr DWORD kClientReplyTimeoutMs = 2000;  // how long a client waits for the reply

// The host's frame callback (cdecl, as every call across the host boundary).
typedef void *(__cdecl *FetchVideoCallback)(int32_t frame);

struct ExchangeGuard;

// Server role, one turn of the serving loop: waits up to kServerPollMs for a
// request and, if one came, answers it with the host's frame. With a guard, a
// token outside the run's frames never reaches the host and is answered with
// "no image", and a reply is never written for a request that a newer one has
// replaced. A plain request (from a client without the guard) gets no answer
// when there is no image or a newer request waits: its client times out and
// keeps its buffer, which beats a wrong image.
void ServeFrameRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                       int32_t height, FetchVideoCallback fetchVideo,
                       ExchangeGuard *guard = nullptr);

// Client role, one frame: sends the token at input[0..3] and copies byteCount
// bytes of the reply into output, or leaves output untouched when no image
// comes within kClientReplyTimeoutMs. With a guard it asks only for what the
// serving run offers at the size it serves, and takes only the reply to its
// own request. A request left unanswered is withdrawn before the mutex is
// released, so no later run answers it into somebody else's buffer.
// The result tells the three outcomes apart: the image came; the serving run
// said it has no such image (or, through the guard, could not be asked for
// it); or no answer came in time.
enum FrameReply { kFrameDelivered, kFrameRefused, kFrameUnanswered };
FrameReply RequestFrame(void *view, HANDLE commandEvent, HANDLE finishEvent, HANDLE mutex,
                        const void *input, void *output, int32_t byteCount,
                        ExchangeGuard *guard = nullptr);
