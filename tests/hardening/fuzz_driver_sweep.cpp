#include "fuzz_driver_sweep.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "demo_project.h"
#include "fourcc.h"
#include "frame_image.h"
#include "fuzz_crash_report.h"

namespace {

constexpr size_t kMaxFormatBytes = sizeof(BITMAPINFOHEADER) + 4 * 256;
constexpr size_t kMaxInputBytes = 64;
constexpr size_t kMaxOutputBytes = 16384;
constexpr size_t kMaxInfoBytes = 1200;
constexpr size_t kMaxStateBytes = 256;
constexpr int kMaxFailures = 20;
constexpr size_t kPoolLimit = 8;

const size_t kSizeImageOffset = offsetof(BITMAPINFOHEADER, biSizeImage);

std::vector<uint8_t> Snapshot(const FencedBuffer &buffer, bool present) {
  if (!present) return {};
  return std::vector<uint8_t>(buffer.data(), buffer.data() + buffer.size());
}

bool Unchanged(const FencedBuffer &buffer, const std::vector<uint8_t> &before) {
  return before.empty() || std::memcmp(buffer.data(), before.data(), before.size()) == 0;
}

}  // namespace

DriverSweep::DriverSweep(DRIVERPROC proc, uint32_t seed, std::vector<DWORD_PTR> unconnected,
                         std::vector<DWORD_PTR> connected)
    : proc_(proc),
      seed_(seed),
      random_(seed),
      unconnected_(std::move(unconnected)),
      connected_(std::move(connected)),
      record_(sizeof(ICDECOMPRESS)),
      inFormat_(kMaxFormatBytes),
      outFormat_(kMaxFormatBytes),
      inData_(kMaxInputBytes),
      outData_(kMaxOutputBytes),
      info_(kMaxInfoBytes),
      open_(sizeof(ICOPEN)),
      state_(kMaxStateBytes) {}

DriverSweep::~DriverSweep() {
  closeAll();
}

void DriverSweep::closeAll() {
  for (auto *pool : {&unconnected_, &connected_}) {
    for (DWORD_PTR id : *pool) proc_(id, nullptr, DRV_CLOSE, 0, 0);
    pool->clear();
  }
}

LRESULT DriverSweep::send(DWORD_PTR id, UINT message, LPARAM lParam1, LPARAM lParam2) {
  SetCurrentCase(case_);
  return proc_(id, nullptr, message, lParam1, lParam2);
}

void DriverSweep::describe(const char *format, ...) {
  const int used =
      std::snprintf(case_, sizeof case_, "seed 0x%08X iteration %d: ", seed_, iteration_);
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(case_ + used, sizeof case_ - size_t(used), format, arguments);
  va_end(arguments);
}

void DriverSweep::fail(const char *what) {
  ++failures_;
  ADD_FAILURE() << what << "\n  in case: " << case_;
}

DWORD_PTR DriverSweep::pickInstance(bool *connected) {
  *connected = false;
  const uint32_t roll = random_.below(100);
  if (roll < 4) return 0;
  if (roll < 30 && !unconnected_.empty())
    return unconnected_[random_.below(uint32_t(unconnected_.size()))];
  if (connected_.empty()) return unconnected_.empty() ? 0 : unconnected_[0];
  *connected = true;
  return connected_[random_.below(uint32_t(connected_.size()))];
}

void DriverSweep::run(int iterations) {
  for (iteration_ = 0; iteration_ < iterations && failures_ < kMaxFailures; ++iteration_) {
    const uint32_t roll = random_.below(100);
    if (roll < 38)
      decompress();
    else if (roll < 46)
      formatCheck(ICM_DECOMPRESS_QUERY);
    else if (roll < 54)
      formatCheck(ICM_DECOMPRESS_BEGIN);
    else if (roll < 62)
      getFormat();
    else if (roll < 68)
      getInfo();
    else if (roll < 72)
      open();
    else if (roll < 75)
      close();
    else if (roll < 80)
      driverMessage();
    else if (roll < 86)
      stateMessage();
    else
      otherMessage();
  }
  SetCurrentCase("(after the sweep)");
}

void DriverSweep::decompress() {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);

  FuzzFormat in = RandomFormat(random_, kFourCCZvnr, true);
  in.present = !random_.percent(5);
  const size_t inBytes =
      random_.percent(75) ? 4 : random_.pick<size_t>({0, 1, 2, 3, 5, 8, random_.below(65)});
  in.header.biSizeImage = DWORD(inBytes);
  const bool inDataPresent = !random_.percent(5);
  int32_t token = random_.percent(80) ? int32_t(random_.below(6)) : random_.edgy();
  uint8_t input[kMaxInputBytes];
  for (uint8_t &byte : input) byte = uint8_t(random_.word());
  std::memcpy(input, &token, 4);

  FuzzFormat out = RandomFormat(random_, random_.percent(70) ? BI_RGB : kFourCCZvnr, true);
  out.present = !random_.percent(5);
  if (random_.percent(60)) {
    out.header.biWidth = in.header.biWidth;
    out.header.biHeight = in.header.biHeight;
  }
  int32_t frameBytes = 0;
  const bool sane = FrameImageSizeChecked(out.header.biWidth, out.header.biHeight, &frameBytes) &&
                    size_t(frameBytes) <= kMaxOutputBytes;
  size_t outBytes;
  const uint32_t sizeRoll = random_.below(100);
  if (sane && sizeRoll < 50)
    outBytes = size_t(frameBytes);
  else if (sane && frameBytes > 0 && sizeRoll < 80)
    outBytes = random_.below(uint32_t(frameBytes));  // smaller than the image
  else
    outBytes = random_.pick<size_t>({0, 1, 3, 4, 16, random_.below(kMaxOutputBytes + 1)});
  out.header.biSizeImage = DWORD(outBytes);
  const bool outDataPresent = !random_.percent(5);
  const uint8_t outFill = uint8_t(0x80 | random_.below(0x80));

  ICDECOMPRESS record = {};
  record.dwFlags = random_.percent(80) ? 0 : random_.word();
  const bool recordPresent = !random_.percent(3);
  const LPARAM recordSize = random_.percent(90) ? LPARAM(sizeof record) : random_.scalar();

  if (in.present) {
    record.lpbiInput = reinterpret_cast<BITMAPINFOHEADER *>(inFormat_.place(in.bytes, 0));
    WriteFormat(in, inFormat_.data());
  }
  // A size of 0, or no format at all, states nothing: the caller then vouches
  // for a buffer that holds what the formats describe.
  const bool inStated = in.present && inBytes != 0;
  if (inDataPresent) record.lpInput = inData_.placeCopy(input, inStated ? inBytes : 4);
  if (out.present) {
    record.lpbiOutput = reinterpret_cast<BITMAPINFOHEADER *>(outFormat_.place(out.bytes, 0));
    WriteFormat(out, outFormat_.data());
  }
  const size_t outTrue = outBytes ? outBytes : kMaxOutputBytes;
  if (outDataPresent) record.lpOutput = outData_.place(outTrue, outFill);
  if (recordPresent) record_.placeCopy(&record, sizeof record);

  char inText[160], outText[160];
  DescribeFormat(in, inText, sizeof inText);
  DescribeFormat(out, outText, sizeof outText);
  describe(
      "ICM_DECOMPRESS on %s instance, record %s (lParam2 %lld), flags 0x%lX, input format %s, "
      "input data %s of %u bytes (token %ld), output format %s, output buffer %s",
      id == 0     ? "driver id 0"
      : connected ? "a connected"
                  : "an unconnected",
      recordPresent ? "present" : "null", static_cast<long long>(recordSize),
      static_cast<unsigned long>(record.dwFlags), inText, inDataPresent ? "present" : "null",
      unsigned(inBytes), long(token), outText, outDataPresent ? "present" : "null");

  const auto inFormatBefore = Snapshot(inFormat_, in.present);
  const auto inDataBefore = Snapshot(inData_, inDataPresent);
  const auto outFormatBefore = Snapshot(outFormat_, out.present);
  const auto recordBefore = Snapshot(record_, recordPresent);

  const LRESULT result =
      send(id, ICM_DECOMPRESS, recordPresent ? LPARAM(record_.data()) : 0, recordSize);

  if (result > 0) fail("ICM_DECOMPRESS answered a positive code");
  for (const FencedBuffer *buffer : {&record_, &inFormat_, &outFormat_, &inData_, &outData_})
    if (!buffer->frontIntact()) fail("a write landed in front of a buffer");
  if (!Unchanged(record_, recordBefore)) fail("the ICDECOMPRESS record was written");
  if (!Unchanged(inFormat_, inFormatBefore)) fail("the input format was written");
  if (!Unchanged(inData_, inDataBefore)) fail("the input data was written");
  if (out.present) {
    std::vector<uint8_t> now(outFormat_.data(), outFormat_.data() + out.bytes);
    std::memcpy(now.data() + kSizeImageOffset, outFormatBefore.data() + kSizeImageOffset, 4);
    if (now != outFormatBefore) fail("the output format was written beyond its biSizeImage");
  }
  if (!outDataPresent || !out.present) return;

  // What reached the output buffer.
  const uint8_t *output = outData_.data();
  size_t firstChanged = outTrue, lastChanged = 0;
  for (size_t i = 0; i < outTrue; ++i)
    if (output[i] != outFill) {
      if (firstChanged == outTrue) firstChanged = i;
      lastChanged = i;
    }
  if (firstChanged == outTrue) return;  // untouched
  if (out.header.biCompression != BI_RGB) {
    // Pass-through: only the input's own bytes, each in its place.
    if (!inDataPresent || lastChanged >= inBytes)
      fail("pass-through wrote beyond the input's size");
    for (size_t i = firstChanged; i <= lastChanged && i < inBytes; ++i)
      if (output[i] != outFill && output[i] != input[i]) {
        fail("pass-through wrote bytes that are not the input's");
        break;
      }
    return;
  }
  if (id == 0 || !connected) fail("an instance without a serving run wrote an image");
  // A black image over exactly the output's size answers a frame that does not
  // exist: no token in the input, one the serving run does not have, or a
  // size other than the one it serves.
  const int32_t imageBytes = FrameImageSize(out.header.biWidth, out.header.biHeight);
  bool black = imageBytes > 0 && lastChanged < size_t(imageBytes);
  for (size_t i = 0; black && i < size_t(imageBytes); ++i) black = output[i] == 0;
  if (black) {
    const bool otherSize =
        out.header.biWidth != kRegionWidth || out.header.biHeight != kRegionHeight;
    const bool noSuchFrame = !inDataPresent || (inStated && inBytes < 4) || token < 0 ||
                             token >= kServedFrames || otherSize;
    if (!noSuchFrame) fail("a black image for a frame the run has");
    return;
  }
  if (!inDataPresent || (inStated && inBytes < 4))
    fail("an image was fetched for an input of under 4 bytes");
  if (out.header.biWidth == kRegionWidth && out.header.biHeight == kRegionHeight &&
      outTrue >= size_t(FrameImageSize(kRegionWidth, kRegionHeight))) {
    int32_t found = -2;
    if (!IsDemoFrame(output, token, kRegionWidth, kRegionHeight, &found)) {
      char text[96];
      std::snprintf(text, sizeof text, "wrong image: frame %ld arrived for token %ld", long(found),
                    long(token));
      fail(text);
    }
    ++fetchesAnswered_;
  }
}

void DriverSweep::formatCheck(UINT message) {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  FuzzFormat in = RandomFormat(random_, kFourCCZvnr, true);
  in.present = !random_.percent(8);
  FuzzFormat out = RandomFormat(random_, random_.percent(70) ? BI_RGB : kFourCCZvnr, true);
  out.present = !random_.percent(15);
  if (random_.percent(50)) {
    out.header.biWidth = in.header.biWidth;
    out.header.biHeight = in.header.biHeight;
  }
  const BITMAPINFOHEADER *input = nullptr, *output = nullptr;
  if (in.present) {
    input = reinterpret_cast<const BITMAPINFOHEADER *>(inFormat_.place(in.bytes, 0));
    WriteFormat(in, inFormat_.data());
  }
  if (out.present) {
    output = reinterpret_cast<const BITMAPINFOHEADER *>(outFormat_.place(out.bytes, 0));
    WriteFormat(out, outFormat_.data());
  }
  char inText[160], outText[160];
  DescribeFormat(in, inText, sizeof inText);
  DescribeFormat(out, outText, sizeof outText);
  describe("%s, input %s, output %s",
           message == ICM_DECOMPRESS_QUERY ? "ICM_DECOMPRESS_QUERY" : "ICM_DECOMPRESS_BEGIN",
           inText, outText);
  const auto inBefore = Snapshot(inFormat_, in.present);
  const auto outBefore = Snapshot(outFormat_, out.present);
  const LRESULT result = send(id, message, LPARAM(input), LPARAM(output));
  const LRESULT expected =
      ExpectedFormatCheck(in.present ? &in.header : nullptr, out.present ? &out.header : nullptr,
                          message == ICM_DECOMPRESS_BEGIN);
  if (result != expected) fail("the format check answered otherwise than its rules");
  if (!Unchanged(inFormat_, inBefore) || !Unchanged(outFormat_, outBefore))
    fail("a format check wrote into a format");
  if (!inFormat_.frontIntact() || !outFormat_.frontIntact())
    fail("a write landed in front of a format");
}

void DriverSweep::getFormat() {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  FuzzFormat in = RandomFormat(random_, random_.percent(80) ? kFourCCZvnr : random_.word(), true);
  in.present = !random_.percent(10);
  const bool outPresent = !random_.percent(25);
  const size_t outBytes = random_.percent(70) ? 40 : 40 + 4 * random_.below(257);
  const BITMAPINFOHEADER *input = nullptr;
  if (in.present) {
    input = reinterpret_cast<const BITMAPINFOHEADER *>(inFormat_.place(in.bytes, 0));
    WriteFormat(in, inFormat_.data());
  }
  uint8_t *output = outPresent ? outFormat_.place(outBytes, 0xEE) : nullptr;
  char inText[160];
  DescribeFormat(in, inText, sizeof inText);
  describe("ICM_DECOMPRESS_GET_FORMAT, input %s, output record %s of %u bytes", inText,
           outPresent ? "present" : "null", unsigned(outBytes));
  const auto inBefore = Snapshot(inFormat_, in.present);
  const LRESULT result = send(id, ICM_DECOMPRESS_GET_FORMAT, LPARAM(input), LPARAM(output));
  if (!Unchanged(inFormat_, inBefore)) fail("GET_FORMAT wrote into its input");
  if (!inFormat_.frontIntact() || !outFormat_.frontIntact())
    fail("a write landed in front of a format");
  bool outputUntouched = true;
  if (outPresent)
    for (size_t i = 0; i < outBytes; ++i) outputUntouched = outputUntouched && output[i] == 0xEE;
  if (!in.present) {
    if (result != ICERR_BADFORMAT || !outputUntouched) fail("GET_FORMAT without input");
    return;
  }
  if (!outPresent) {
    if (result != LRESULT(sizeof(BITMAPINFOHEADER))) fail("GET_FORMAT size query");
    return;
  }
  BITMAPINFOHEADER proposal = {};
  proposal.biSize = sizeof proposal;
  proposal.biWidth = in.header.biWidth;
  proposal.biHeight = in.header.biHeight;
  proposal.biPlanes = 1;
  proposal.biBitCount = 24;
  if (result != ICERR_OK || std::memcmp(output, &proposal, sizeof proposal) != 0)
    fail("GET_FORMAT did not write the proposal");
  for (size_t i = sizeof proposal; i < outBytes; ++i)
    if (output[i] != 0xEE) {
      fail("GET_FORMAT wrote beyond the 40-byte header");
      break;
    }
}

void DriverSweep::getInfo() {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  const bool present = !random_.percent(15);
  const size_t bytes = random_.pick<size_t>({568, 567, 0, 1, 600, 1000, random_.below(1201)});
  const DWORD given = random_.percent(80) ? DWORD(bytes) : DWORD(random_.below(DWORD(bytes) + 1));
  uint8_t *buffer = present ? info_.place(bytes, 0x5A) : nullptr;
  describe("ICM_GETINFO, buffer %s of %u bytes, size given %lu", present ? "present" : "null",
           unsigned(bytes), static_cast<unsigned long>(given));
  const LRESULT result = send(id, ICM_GETINFO, LPARAM(buffer), LPARAM(given));
  if (!info_.frontIntact()) fail("a write landed in front of the ICINFO buffer");
  if (!present) {
    if (result != LRESULT(sizeof(ICINFO))) fail("GETINFO size query");
    return;
  }
  const size_t untouchedFrom = given < sizeof(ICINFO) ? 0 : given;
  if (result != (given < sizeof(ICINFO) ? 0 : LRESULT(sizeof(ICINFO))))
    fail("GETINFO answered otherwise than its rules");
  for (size_t i = untouchedFrom; i < bytes; ++i)
    if (buffer[i] != 0x5A) {
      fail("GETINFO wrote beyond the size it was given");
      break;
    }
}

void DriverSweep::open() {
  const bool present = !random_.percent(30);
  ICOPEN record = {};
  record.dwSize = random_.percent(90) ? sizeof record : random_.word();
  record.fccType =
      random_.percent(70)
          ? kFourCCVidc
          : random_.pick<DWORD>({kFourCCVids, MakeFourCC('V', 'I', 'D', 'C'), 0, random_.word()});
  record.fccHandler = random_.percent(80) ? kFourCCZvnr : random_.word();
  record.dwFlags = random_.word();
  record.dwError = 0x7777;
  ICOPEN *open =
      present ? reinterpret_cast<ICOPEN *>(open_.placeCopy(&record, sizeof record)) : nullptr;
  if (connected_.size() >= kPoolLimit) {
    describe("DRV_CLOSE of a connected instance to make room");
    if (send(connected_.front(), DRV_CLOSE, 0, 0) != 1) fail("DRV_CLOSE did not answer 1");
    connected_.erase(connected_.begin());
  }
  describe("DRV_OPEN, ICOPEN %s, fccType 0x%08lX", present ? "present" : "null",
           static_cast<unsigned long>(record.fccType));
  const LRESULT id = send(0, DRV_OPEN, random_.scalar(), LPARAM(open));
  if (!open_.frontIntact()) fail("a write landed in front of the ICOPEN record");
  if (present && record.fccType != kFourCCVidc) {
    if (id != 0 || open->dwError != 0x7777) fail("DRV_OPEN of another type");
    if (id) connected_.push_back(DWORD_PTR(id));
    return;
  }
  if (id == 0) fail("DRV_OPEN failed");
  if (present && open->dwError != ICERR_OK) fail("DRV_OPEN left dwError other than ICERR_OK");
  ICOPEN expected = record;
  if (present) {
    expected.dwError = open->dwError;
    if (std::memcmp(open, &expected, sizeof expected) != 0) fail("DRV_OPEN wrote beyond dwError");
  }
  if (id) connected_.push_back(DWORD_PTR(id));
}

void DriverSweep::close() {
  if (connected_.empty() || random_.percent(20)) {
    describe("DRV_CLOSE of driver id 0");
    if (send(0, DRV_CLOSE, random_.scalar(), random_.scalar()) != 1)
      fail("DRV_CLOSE of 0 did not answer 1");
    return;
  }
  const size_t which = random_.below(uint32_t(connected_.size()));
  describe("DRV_CLOSE of a connected instance");
  if (send(connected_[which], DRV_CLOSE, random_.scalar(), random_.scalar()) != 1)
    fail("DRV_CLOSE did not answer 1");
  connected_.erase(connected_.begin() + ptrdiff_t(which));
}

void DriverSweep::driverMessage() {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  const UINT message = random_.pick<UINT>({DRV_LOAD, DRV_ENABLE, DRV_DISABLE, DRV_FREE, DRV_INSTALL,
                                           DRV_REMOVE, DRV_CONFIGURE, DRV_QUERYCONFIGURE});
  const LPARAM lParam1 = random_.scalar(), lParam2 = random_.scalar();
  describe("driver message %u, lParam1 0x%llX, lParam2 0x%llX", message,
           static_cast<unsigned long long>(lParam1), static_cast<unsigned long long>(lParam2));
  const LRESULT result = send(id, message, lParam1, lParam2);
  if (result != (message == DRV_QUERYCONFIGURE ? 0 : 1))
    fail("a driver message answered otherwise than its rules");
}

void DriverSweep::stateMessage() {
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  switch (random_.below(4)) {
    case 0:
    case 1: {
      const UINT message = random_.percent(50) ? ICM_GETSTATE : ICM_SETSTATE;
      const bool present = random_.percent(50);
      const size_t bytes = random_.below(kMaxStateBytes + 1);
      uint8_t *buffer = present ? state_.place(bytes, 0x33) : nullptr;
      describe("%s, buffer %s of %u bytes",
               message == ICM_GETSTATE ? "ICM_GETSTATE" : "ICM_SETSTATE",
               present ? "present" : "null", unsigned(bytes));
      const auto before = Snapshot(state_, present);
      if (send(id, message, LPARAM(buffer), LPARAM(bytes)) != 0) fail("a state message");
      if (!Unchanged(state_, before) || !state_.frontIntact()) fail("a state buffer was written");
      break;
    }
    case 2:
      describe("ICM_CONFIGURE -1 / ICM_ABOUT -1");
      if (send(id, ICM_CONFIGURE, LPARAM(-1), 0) != ICERR_UNSUPPORTED) fail("ICM_CONFIGURE");
      if (send(id, ICM_ABOUT, LPARAM(-1), 0) != ICERR_OK) fail("ICM_ABOUT");
      break;
    default:
      describe("ICM_DECOMPRESS_END");
      if (send(id, ICM_DECOMPRESS_END, random_.scalar(), random_.scalar()) != ICERR_OK)
        fail("ICM_DECOMPRESS_END");
  }
}

void DriverSweep::otherMessage() {
  // Every message the codec answers takes part elsewhere with arguments of the
  // right kinds; here only the ones it leaves alone.
  static const UINT kAnswered[] = {DRV_LOAD,
                                   DRV_ENABLE,
                                   DRV_OPEN,
                                   DRV_CLOSE,
                                   DRV_DISABLE,
                                   DRV_FREE,
                                   DRV_CONFIGURE,
                                   DRV_QUERYCONFIGURE,
                                   DRV_INSTALL,
                                   DRV_REMOVE,
                                   ICM_GETSTATE,
                                   ICM_SETSTATE,
                                   ICM_GETINFO,
                                   ICM_CONFIGURE,
                                   ICM_ABOUT,
                                   ICM_DECOMPRESS_GET_FORMAT,
                                   ICM_DECOMPRESS_QUERY,
                                   ICM_DECOMPRESS_BEGIN,
                                   ICM_DECOMPRESS,
                                   ICM_DECOMPRESS_END};
  UINT message;
  bool answered;
  do {
    const uint32_t roll = random_.below(100);
    message = roll < 40   ? UINT(random_.below(DRV_USER))
              : roll < 80 ? UINT(DRV_USER + random_.below(0x2000))
                          : UINT(random_.word());
    answered = false;
    for (UINT known : kAnswered) answered = answered || known == message;
  } while (answered);
  bool connected;
  const DWORD_PTR id = pickInstance(&connected);
  const LPARAM lParam1 = random_.scalar(), lParam2 = random_.scalar();
  describe("message 0x%X, lParam1 0x%llX, lParam2 0x%llX", message,
           static_cast<unsigned long long>(lParam1), static_cast<unsigned long long>(lParam2));
  const LRESULT result = send(id, message, lParam1, lParam2);
  const LRESULT expected = message < DRV_USER
                               ? DefDriverProc(id, nullptr, message, lParam1, lParam2)
                               : LRESULT(ICERR_UNSUPPORTED);
  if (result != expected) fail("a message the codec leaves alone was answered otherwise");
}
