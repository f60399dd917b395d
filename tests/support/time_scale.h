#pragma once
// Bounds of the tests' own waits, for slow machines. ZELVANOOR_TIME_SCALE (a
// whole factor, 1 when unset) stretches every wait a test makes for another
// thread or process: an emulated guest runs the same programs several times
// slower. The exchange's own 250 ms and 2000 ms time-outs are the product's
// and are never scaled.
#include <windows.h>

#include <cstdlib>

inline DWORD TimeScale() {
  char text[16] = {};
  const DWORD n = GetEnvironmentVariableA("ZELVANOOR_TIME_SCALE", text, sizeof text);
  if (n == 0 || n >= sizeof text)
    return 1;
  const long factor = std::strtol(text, nullptr, 10);
  return factor >= 1 && factor <= 1000 ? DWORD(factor) : 1;
}

// milliseconds × TimeScale(), saturating below INFINITE.
inline DWORD ScaledWait(DWORD milliseconds) {
  const unsigned long long scaled = 1ull * milliseconds * TimeScale();
  return scaled >= INFINITE ? INFINITE - 1 : DWORD(scaled);
}
