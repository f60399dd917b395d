#pragma once
// Token AVI files written byte by byte, so that they can be damaged in ways
// that AVIFile's own writer never produces.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TokenAviDamage {
  int32_t shortChunk = -1;    // this frame's chunk holds 2 bytes instead of its token
  int32_t garbageToken = -1;  // this frame's chunk holds `garbage` instead of its token
  int32_t garbage = 0;
  int32_t junkAfter = -1;  // a chunk of unknown id and odd length follows this frame's
  size_t cutTo = 0;        // the file ends after this many bytes (0: whole)
};

// ZVNR video of `frames` chunks, chunk n holding the token n, with an index.
std::vector<uint8_t> BuildTokenAvi(int32_t width, int32_t height, int32_t frames,
                                   const TokenAviDamage &damage);

// The offset of the first byte of the n-th video chunk's header in `file`
// (for cuts inside the movie data); 0 when there is none.
size_t VideoChunkOffset(const std::vector<uint8_t> &file, int32_t n);

bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
