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

// Server role, one turn of the serving loop: waits up to kServerPollMs for a
// request and, if one came, answers it with the host's frame. It does not
// answer when the host gives no frame (null) or when a newer request arrived
// while the host rendered (the asking client has given up); the client then
// keeps its buffer, as on a time-out.
void ServeFrameRequest(void *view, HANDLE commandEvent, HANDLE finishEvent, int32_t width,
                       int32_t height, FetchVideoCallback fetchVideo);

// Client role, one frame: sends the token at input[0..3] and copies byteCount
// bytes of the reply into output, or leaves output untouched when no reply
// comes within kClientReplyTimeoutMs. A mutex left abandoned by a dead client
// is released again without a request.
void RequestFrame(void *view, HANDLE commandEvent, HANDLE finishEvent, HANDLE mutex,
                  const void *input, void *output, int32_t byteCount);
