#pragma once
// The five handles of one side of the exchange, created as the output plug-in
// creates them or opened as a codec instance opens them. `prefix` is the
// product word for the real objects; the idle client uses private names so
// that it can run beside a serving process without being answered. The guard
// beside them (request numbers) is made and opened only on request, as the
// plug-in and the codec do it on the real names.
#include <windows.h>

#include <cstdint>

#include "exchange_guard.h"

struct ExchangeObjects {
  HANDLE mapping = nullptr;
  void *view = nullptr;
  HANDLE command = nullptr;
  HANDLE finish = nullptr;
  HANDLE mutex = nullptr;
  HANDLE guardMapping = nullptr;
  ExchangeGuard *guard = nullptr;  // null: the plain handshake
  bool complete() const { return mapping && view && command && finish && mutex; }
};

ExchangeObjects CreateExchangeObjects(const char *prefix, int32_t width, int32_t height);
ExchangeObjects OpenExchangeObjects(const char *prefix);
// Server side: the guard of the real names, set up for a run of `frameCount`
// frames; client side: the guard the server made, if it made one.
bool CreateExchangeGuard(ExchangeObjects *objects, int32_t width, int32_t height,
                         int32_t frameCount);
bool OpenExchangeGuard(ExchangeObjects *objects);
void CloseExchangeObjects(ExchangeObjects *objects);
