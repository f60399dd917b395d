// Finding and rewriting the audio stream's length in crafted AVI headers:
// well-formed, odd-sized, damaged and cut-off ones.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "avi_header_scan.h"
#include "avi_length_mend.h"
#include "test_support.h"

namespace {

// Markers in the dwLength fields, to see which one was found.
const uint32_t kAudioLength = 0xA1B2C3D4;
const uint32_t kVideoLength = 0x01020304;

std::string Word(uint32_t value) {
  const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
  return std::string(bytes, 4);
}

uint32_t WordAt(const std::string &data, int64_t at) {
  uint32_t value;
  std::memcpy(&value, data.data() + at, 4);
  return value;
}

// A chunk as RIFF stores it: id, little-endian size, body, pad to even.
std::string Chunk(const char *id, const std::string &body, uint32_t declared) {
  std::string chunk = std::string(id, 4) + Word(declared) + body;
  if (body.size() & 1) chunk += '\0';
  return chunk;
}
std::string Chunk(const char *id, const std::string &body) {
  return Chunk(id, body, uint32_t(body.size()));
}
std::string List(const char *type, const std::string &body) {
  return Chunk("LIST", std::string(type, 4) + body);
}

// An AVISTREAMHEADER of 56 bytes with its type and length; `size` cuts it.
std::string Strh(const char *type, uint32_t length, size_t size = 56) {
  std::string body = std::string(type, 4) + std::string(28, '\x11') + Word(length);
  body.resize(56, '\x22');
  body.resize(size);
  return Chunk("strh", body);
}

std::string VideoList() {
  return List("strl", Strh("vids", kVideoLength) + Chunk("strf", std::string(40, '\x33')));
}
std::string AudioList() {
  return List("strl", Strh("auds", kAudioLength) + Chunk("strf", std::string(18, '\x44')));
}
std::string Avih() {
  return Chunk("avih", std::string(56, '\x55'));
}
std::string Movi() {
  return List("movi", Chunk("00db", Word(0)) + Chunk("01wb", std::string(12, '\x66')));
}
std::string Avi(const std::string &hdrl) {
  return Chunk("RIFF", "AVI " + List("hdrl", hdrl) + Movi());
}

// The same file with the size word of the chunk at `at` replaced.
std::string WithSizeAt(std::string data, size_t at, uint32_t size) {
  data.replace(at + 4, 4, Word(size));
  return data;
}

const std::string kBoth = Avi(Avih() + VideoList() + AudioList());
const size_t kHdrlAt = 12;
const size_t kVideoListAt = kHdrlAt + 12 + 64;
// Where the audio stream header's dwLength lies in kBoth.
const size_t kLengthAt = kBoth.find("auds") + 32;

struct ScanCase {
  const char *name;
  std::string data;
  bool found;
};

TEST(AudioLengthMend, FindsTheAudioStreamsLengthOnlyWhereItIsWhole) {
  const ScanCase cases[] = {
      {"video, then audio", kBoth, true},
      {"only audio", Avi(Avih() + AudioList()), true},
      {"an odd-sized chunk before the audio list",
       Avi(Avih() + VideoList() + Chunk("JUNK", "odd") + AudioList()), true},
      {"cut right after the field", kBoth.substr(0, kLengthAt + 4), true},
      {"a RIFF size beyond the data", WithSizeAt(kBoth, 0, 0xFFFFFFFF), true},
      {"no audio stream", Avi(Avih() + VideoList()), false},
      {"cut inside the field", kBoth.substr(0, kLengthAt + 3), false},
      {"cut in the middle of the headers", kBoth.substr(0, kVideoListAt + 20), false},
      {"an audio stream header too short for the field",
       Avi(Avih() + List("strl", Strh("auds", kAudioLength, 35))), false},
      {"the video list claiming the rest of the file", WithSizeAt(kBoth, kVideoListAt, 0xFFFFFFF0),
       false},
      {"a header list size that wraps", WithSizeAt(kBoth, kHdrlAt, 0xFFFFFFFF), true},
      {"an audio list outside the header list",
       Chunk("RIFF", "AVI " + List("hdrl", Avih()) + AudioList()), false},
      {"a RIFF WAVE file", Chunk("RIFF", "WAVE" + List("hdrl", AudioList())), false},
      {"a RIFF chunk too short for its type", Chunk("RIFF", "AV"), false},
      {"fewer bytes than a chunk header", kBoth.substr(0, 7), false},
      {"nothing", "", false},
  };
  for (const ScanCase &c : cases) {
    SCOPED_TRACE(c.name);
    // A buffer of exactly the data, so that any read past it is a read
    // past what the scan was given.
    std::vector<uint8_t> buffer(c.data.begin(), c.data.end());
    const int64_t at = FindAudioLengthField(buffer.data(), buffer.size());
    if (!c.found) {
      EXPECT_EQ(at, -1);
      continue;
    }
    const bool inside = at >= 0 && size_t(at) + 4 <= c.data.size();
    EXPECT_TRUE(inside) << "found at " << at;
    if (inside) EXPECT_EQ(WordAt(c.data, at), kAudioLength);
  }
}

std::string ReadAll(const std::string &path) {
  std::string data;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return data;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    data.append(buffer, read);
  CloseHandle(file);
  return data;
}

void WriteAll(const std::string &path, const std::string &data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr));
  ASSERT_EQ(written, data.size());
  CloseHandle(file);
}

struct FileCase {
  const char *name;
  std::string data;
  bool heldOpen;  // by another handle that shares reading only
  bool mended;
};

// Only the four bytes of the field change, and nothing at all when the mend
// fails.
TEST(AudioLengthMend, RewritesTheFieldInTheFileAndNothingElse) {
  const FileCase cases[] = {
      {"video, then audio", kBoth, false, true},
      {"no audio stream", Avi(Avih() + VideoList()), false, false},
      {"cut inside the field", kBoth.substr(0, kLengthAt + 2), false, false},
      {"headers beyond the first 16 KiB",
       Chunk("RIFF",
             "AVI " + Chunk("JUNK", std::string(20000, '\0')) + List("hdrl", Avih() + AudioList())),
       false, false},
      {"held open by another program", kBoth, true, false},
  };
  for (const FileCase &c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.file("ref.avi");
    WriteAll(path, c.data);
    HANDLE other = INVALID_HANDLE_VALUE;
    if (c.heldOpen)
      other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(MendAudioLength(path.c_str(), 48048), c.mended);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    std::string expected = c.data;
    if (c.mended) expected.replace(kLengthAt, 4, Word(48048));
    EXPECT_TRUE(ReadAll(path) == expected);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
  }
}

TEST(AudioLengthMend, AMissingFileIsNotMended) {
  TempFolder folder;
  EXPECT_FALSE(MendAudioLength(folder.file("missing.avi").c_str(), 1));
  EXPECT_EQ(GetFileAttributesA(folder.file("missing.avi").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
