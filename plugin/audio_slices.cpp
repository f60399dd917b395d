#include "audio_slices.h"

// Kept in double precision on purpose: above 2^53 an exact integer quotient
// gives different bounds. Both builds compute in SSE2, which rounds every step
// to double; on x87 the result would depend on the host thread's precision
// control.
int32_t AudioSliceBound(int32_t sampleCount, int32_t k, int32_t frameCount) {
  const double product = double(sampleCount) * double(k);
  const double quotient = product / double(frameCount);
  return int32_t(quotient);
}
