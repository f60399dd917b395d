#include "audio_slices.h"

// Kept in double precision on purpose: above 2^53 an exact integer quotient
// gives different bounds. On x87 the result relies on the thread's precision
// control being 53 bits, as a 32-bit Windows program's run-time start-up sets
// it; SSE2 rounds every step to double by itself.
int32_t AudioSliceBound(int32_t sampleCount, int32_t k, int32_t frameCount) {
  const double product = double(sampleCount) * double(k);
  const double quotient = product / double(frameCount);
  return int32_t(quotient);
}
