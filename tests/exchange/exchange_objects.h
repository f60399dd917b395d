#pragma once
// The five handles of one side of the exchange, made the way the plug-in makes
// them (server) or the way a codec instance opens them (client), for test
// programs that play either side.
#include <windows.h>

#include <cstdint>

struct ExchangeObjects {
  HANDLE mapping = nullptr;
  void *view = nullptr;
  HANDLE commandEvent = nullptr;
  HANDLE finishEvent = nullptr;
  HANDLE mutex = nullptr;
  bool complete() const { return mapping && view && commandEvent && finishEvent && mutex; }
};

// Creates the objects for frames of width x height, as an output run does.
ExchangeObjects CreateExchangeObjects(int32_t width, int32_t height);

// Opens existing objects by name; incomplete when no run holds them.
ExchangeObjects OpenExchangeObjects();

void CloseExchangeObjects(ExchangeObjects &objects);

// Closes the objects when it goes out of scope.
struct ScopedExchangeObjects {
  ExchangeObjects objects;
  explicit ScopedExchangeObjects(const ExchangeObjects &made) : objects(made) {}
  ~ScopedExchangeObjects() { CloseExchangeObjects(objects); }
  ScopedExchangeObjects(const ScopedExchangeObjects &) = delete;
  ScopedExchangeObjects &operator=(const ScopedExchangeObjects &) = delete;
};
