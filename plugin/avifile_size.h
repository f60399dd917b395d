#pragma once
// What an AVI 1.0 file can hold. Its sizes and offsets are 32-bit, and
// AVIFile does not refuse a write past 2 GiB: Wine's wraps its offsets and
// leaves a corrupt file behind while reporting success. So the writer counts
// what the file will hold and fails before it would grow past the limit.
#include <cstdint>

// Largest file size that every reader takes as a positive 32-bit number.
constexpr int64_t kAviFileLimit = INT32_MAX;

// Room for the headers before the data and for the index's own header.
constexpr int64_t kAviFileOverhead = 65536;

// Bytes one chunk of `payloadBytes` adds to the file: its header, the payload
// padded to an even size, and its index entry.
inline int64_t AviChunkCost(int64_t payloadBytes) {
  return 8 + payloadBytes + (payloadBytes & 1) + 16;
}
