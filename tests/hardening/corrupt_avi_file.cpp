#include "corrupt_avi_file.h"

#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdio>
#include <cstring>

#include "fourcc.h"
#include "test_support.h"

namespace {

class RiffWriter {
 public:
  void word(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(value >> (8 * i)));
  }
  void half(uint16_t value) {
    bytes_.push_back(uint8_t(value));
    bytes_.push_back(uint8_t(value >> 8));
  }
  void fourcc(const char *code) { word(MakeFourCC(code[0], code[1], code[2], code[3])); }
  void raw(const void *data, size_t size) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  // Opens a RIFF or LIST of `type`; close() fills in its size.
  size_t openList(const char *kind, const char *type) {
    fourcc(kind);
    const size_t at = bytes_.size();
    word(0);
    fourcc(type);
    return at;
  }
  size_t openChunk(const char *id) {
    fourcc(id);
    const size_t at = bytes_.size();
    word(0);
    return at;
  }
  void close(size_t at) {
    const uint32_t size = uint32_t(bytes_.size() - at - 4);
    std::memcpy(&bytes_[at], &size, 4);
    if (size & 1) bytes_.push_back(0);  // chunks are padded to even lengths
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t> &bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

struct IndexEntry {
  uint32_t offset, size;
};

}  // namespace

std::vector<uint8_t> BuildTokenAvi(int32_t width, int32_t height, int32_t frames,
                                   const TokenAviDamage &damage) {
  RiffWriter w;
  const size_t riff = w.openList("RIFF", "AVI ");
  const size_t hdrl = w.openList("LIST", "hdrl");
  const size_t avih = w.openChunk("avih");
  w.word(40000);  // microseconds per frame
  w.word(0);
  w.word(0);
  w.word(AVIF_HASINDEX);
  w.word(uint32_t(frames));
  w.word(0);
  w.word(1);  // streams
  w.word(16);
  w.word(uint32_t(width));
  w.word(uint32_t(height));
  for (int i = 0; i < 4; ++i) w.word(0);
  w.close(avih);
  const size_t strl = w.openList("LIST", "strl");
  const size_t strh = w.openChunk("strh");
  w.fourcc("vids");
  w.fourcc("ZVNR");
  w.word(0);   // flags
  w.half(0);   // priority
  w.half(0);   // language
  w.word(0);   // initial frames
  w.word(1);   // scale
  w.word(25);  // rate
  w.word(0);   // start
  w.word(uint32_t(frames));
  w.word(16);            // suggested buffer size
  w.word(uint32_t(-1));  // quality
  w.word(0);             // sample size
  w.half(0);
  w.half(0);
  w.half(uint16_t(width));
  w.half(uint16_t(height));
  w.close(strh);
  const size_t strf = w.openChunk("strf");
  const BITMAPINFOHEADER format = MakeFormat(kFourCCZvnr, width, height);
  w.raw(&format, sizeof format);
  w.close(strf);
  w.close(strl);
  w.close(hdrl);

  const size_t movi = w.openList("LIST", "movi");
  const size_t moviType = movi + 4;  // index offsets count from the 'movi' code
  std::vector<IndexEntry> index;
  for (int32_t n = 0; n < frames; ++n) {
    const size_t chunk = w.openChunk("00dc");
    if (n == damage.shortChunk) {
      w.half(uint16_t(n));
    } else {
      w.word(uint32_t(n == damage.garbageToken ? damage.garbage : n));
    }
    index.push_back({uint32_t(chunk - 4 - moviType), uint32_t(w.size() - chunk - 4)});
    w.close(chunk);
    if (n == damage.junkAfter) {
      const size_t junk = w.openChunk("q#7x");
      for (int i = 0; i < 13; ++i) w.raw("\xFF\x00\x5A", 1 + i % 3);
      w.close(junk);
    }
  }
  w.close(movi);
  const size_t idx1 = w.openChunk("idx1");
  for (const IndexEntry &entry : index) {
    w.fourcc("00dc");
    w.word(AVIIF_KEYFRAME);
    w.word(entry.offset);
    w.word(entry.size);
  }
  w.close(idx1);
  w.close(riff);
  std::vector<uint8_t> file = std::move(w.bytes());
  if (damage.cutTo && damage.cutTo < file.size()) file.resize(damage.cutTo);
  return file;
}

size_t VideoChunkOffset(const std::vector<uint8_t> &file, int32_t n) {
  int32_t seen = 0;
  for (size_t at = 0; at + 8 <= file.size(); ++at)
    if (std::memcmp(&file[at], "00dc", 4) == 0) {
      uint32_t size;
      std::memcpy(&size, &file[at + 4], 4);
      if (size > 4) continue;  // an index entry, not a chunk
      if (seen++ == n) return at;
      at += 7 + size;
    }
  return 0;
}

bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}
