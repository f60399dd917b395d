#pragma once
#include <cstdint>

// Bound k of the audio slices, 0 <= k <= frameCount: the first sample frame of
// frame k's slice and the end of frame k - 1's. It is sampleCount * k /
// frameCount in double precision, truncated toward zero: the product and the
// quotient are each rounded to the nearest double. Every bound is computed
// afresh by the same rule, so neighbouring slices meet exactly.
int32_t AudioSliceBound(int32_t sampleCount, int32_t k, int32_t frameCount);
