#include "avi_readback.h"

#include <cstring>

namespace {

void ReadVideo(PAVISTREAM stream, StreamReadback *out) {
  for (LONG n = out->start; n < out->start + out->length; ++n) {
    LONG bytes = 0;
    LONG count = 0;
    AVIStreamRead(stream, n, 1, nullptr, 0, &bytes, &count);
    std::vector<uint8_t> payload(static_cast<size_t>(bytes));
    if (bytes > 0 && AVIStreamRead(stream, n, 1, payload.data(), bytes, &bytes, &count) != 0)
      payload.clear();
    out->samples.push_back(payload);
  }
}

void ReadAudio(PAVISTREAM stream, StreamReadback *out) {
  const LONG block = out->info.dwSampleSize ? LONG(out->info.dwSampleSize) : 1;
  const LONG piece = 1 << 16;
  for (LONG n = out->start; n < out->start + out->length;) {
    const LONG want = out->start + out->length - n < piece ? out->start + out->length - n : piece;
    std::vector<uint8_t> buffer(size_t(want) * size_t(block));
    LONG bytes = 0;
    LONG count = 0;
    if (AVIStreamRead(stream, n, want, buffer.data(), LONG(buffer.size()), &bytes, &count) != 0 ||
        count <= 0)
      break;
    out->data.insert(out->data.end(), buffer.begin(), buffer.begin() + bytes);
    n += count;
  }
}

}  // namespace

AviReadback ReadAvi(const std::string &path) {
  AviReadback result;
  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0) {
    result.opened = true;
    for (LONG index = 0;; ++index) {
      PAVISTREAM stream = nullptr;
      if (AVIFileGetStream(file, &stream, 0, index) != 0 || !stream) break;
      StreamReadback s;
      AVIStreamInfoA(stream, &s.info, sizeof s.info);
      LONG formatBytes = 0;
      AVIStreamReadFormat(stream, AVIStreamStart(stream), nullptr, &formatBytes);
      s.format.resize(size_t(formatBytes));
      if (formatBytes > 0)
        AVIStreamReadFormat(stream, AVIStreamStart(stream), s.format.data(), &formatBytes);
      s.start = AVIStreamStart(stream);
      s.length = AVIStreamLength(stream);
      if (s.info.fccType == streamtypeVIDEO)
        ReadVideo(stream, &s);
      else
        ReadAudio(stream, &s);
      result.streams.push_back(s);
      AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
  return result;
}

std::vector<int32_t> Tokens(const StreamReadback &video) {
  std::vector<int32_t> tokens;
  for (const std::vector<uint8_t> &payload : video.samples) {
    int32_t token = -1;
    if (payload.size() == 4) std::memcpy(&token, payload.data(), 4);
    tokens.push_back(token);
  }
  return tokens;
}
