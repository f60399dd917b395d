#pragma once
// The exchange alone: the contract's own server and client roles (the code in
// shared/ that both deliverables compile), between two processes of this
// program, with the real object names and prepared frames.
#include <cstdint>
#include <vector>

#include "exchange_objects.h"
#include "roles.h"

// Which server role a serving process runs.
enum ServerVariant {
  kServerShared = 0,    // ServeFrameRequest of shared/, on the real names, with the guard
  kServerContract = 1,  // a copy with the contract's steps only, on private names
};

// Role side: creates the objects as the plug-in does and serves prepared
// frames until the control block says stop.
int RunServeRole(int32_t width, int32_t height, int32_t frames, int variant);

struct ExchangeServer {
  int variant = kServerShared;
  int32_t width = 0, height = 0;
  HANDLE process = nullptr;
  HANDLE controlMapping = nullptr;
  Control *control = nullptr;
  ExchangeObjects objects;  // the client's handles
  std::vector<uint8_t> output;
  int32_t next = 0;
  bool ok = true;     // every frame arrived with the index it was asked for
  RoleReport client;  // this process
  RoleReport server;  // filled by StopExchangeServer
};

// Starts a serving process for the size; the memory and allocation watch of
// both sides starts after `watchFrom` frames (0: no watch).
bool StartExchangeServer(ExchangeServer *server, int32_t width, int32_t height, int watchFrom,
                         int variant = kServerShared);
// Appends the time of each of `frames` requests.
void ExchangeBatch(ExchangeServer *server, int frames, std::vector<double> *samples);
void StopExchangeServer(ExchangeServer *server);
