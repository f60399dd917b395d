#include "avi_header_scan.h"

#include "fourcc.h"

namespace {

constexpr uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr uint32_t kAvi = MakeFourCC('A', 'V', 'I', ' ');
constexpr uint32_t kHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr uint32_t kStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr uint32_t kStrh = MakeFourCC('s', 't', 'r', 'h');

// AVISTREAMHEADER: fccType at 0, dwLength at 32.
constexpr size_t kLengthInStrh = 32;

uint32_t Word(const uint8_t *at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// One chunk inside [.., end): its id, where its body starts and how much of
// the body lies inside the enclosing chunk (a body that claims more is cut
// there).
struct Chunk {
  uint32_t id;
  size_t body;
  size_t bodySize;
  size_t next;
};

bool ChunkAt(const uint8_t *head, size_t at, size_t end, Chunk *chunk) {
  if (at > end || end - at < 8) return false;
  chunk->id = Word(head + at);
  const uint32_t declared = Word(head + at + 4);
  chunk->body = at + 8;
  const size_t room = end - chunk->body;
  if (declared >= room) {
    chunk->bodySize = room;
    chunk->next = end;
  } else {
    chunk->bodySize = declared;
    // Bodies are padded to an even size; declared < room leaves room for the pad.
    chunk->next = chunk->body + declared + (declared & 1);
  }
  return true;
}

bool IsList(const uint8_t *head, const Chunk &chunk, uint32_t type) {
  return chunk.id == kList && chunk.bodySize >= 4 && Word(head + chunk.body) == type;
}

int64_t FindInStreamList(const uint8_t *head, size_t at, size_t end) {
  Chunk chunk;
  for (; ChunkAt(head, at, end, &chunk); at = chunk.next) {
    if (chunk.id == kStrh && chunk.bodySize >= kLengthInStrh + 4 &&
        Word(head + chunk.body) == kFourCCAuds)
      return int64_t(chunk.body + kLengthInStrh);
  }
  return -1;
}

int64_t FindInHeaderList(const uint8_t *head, size_t at, size_t end) {
  Chunk chunk;
  for (; ChunkAt(head, at, end, &chunk); at = chunk.next) {
    if (!IsList(head, chunk, kStrl)) continue;
    const int64_t found = FindInStreamList(head, chunk.body + 4, chunk.body + chunk.bodySize);
    if (found >= 0) return found;
  }
  return -1;
}

}  // namespace

int64_t FindAudioLengthField(const uint8_t *head, size_t size) {
  Chunk riff;
  if (!ChunkAt(head, 0, size, &riff) || riff.id != kRiff || riff.bodySize < 4 ||
      Word(head + riff.body) != kAvi)
    return -1;
  Chunk chunk;
  const size_t end = riff.body + riff.bodySize;
  for (size_t at = riff.body + 4; ChunkAt(head, at, end, &chunk); at = chunk.next) {
    // The headers come once, in the first 'hdrl' list.
    if (IsList(head, chunk, kHdrl))
      return FindInHeaderList(head, chunk.body + 4, chunk.body + chunk.bodySize);
  }
  return -1;
}
