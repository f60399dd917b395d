#pragma once
// The five handles of one side of the exchange, created as the output plug-in
// creates them or opened as a codec instance opens them. `prefix` is the
// product word for the real objects; the idle client uses private names so
// that it can run beside a serving process without being answered.
#include <windows.h>

#include <cstdint>

struct ExchangeObjects {
  HANDLE mapping = nullptr;
  void *view = nullptr;
  HANDLE command = nullptr;
  HANDLE finish = nullptr;
  HANDLE mutex = nullptr;
  bool complete() const { return mapping && view && command && finish && mutex; }
};

ExchangeObjects CreateExchangeObjects(const char *prefix, int32_t width, int32_t height);
ExchangeObjects OpenExchangeObjects(const char *prefix);
void CloseExchangeObjects(ExchangeObjects *objects);
