#include "vfw_path.h"

#include "call_counts.h"
#include "clock.h"
#include "exchange.h"

namespace {

void AddCalls(RoleReport *report, const CallCounts &calls) {
  for (int kind = 0; kind < kCallKinds; ++kind) {
    report->perFrameCalls.calls[kind] += calls.calls[kind];
    report->perFrameCalls.platform[kind] += calls.platform[kind];
  }
  ++report->frames;
}

// The first bytes of a demo image hold the index of the frame it shows.
bool ShowsFrame(const uint8_t *image, int32_t width, int32_t frame) {
  return width * 3 < 4 || ReadFrameToken(image) == frame;
}

}  // namespace

void CountPlatformCalls() {
  static bool routed;
  if (routed) return;
  routed = true;
  for (const char *name : {"avifil32.dll", "msvfw32.dll", "winmm.dll"})
    CountCallsOf(GetModuleHandleA(name), kPlatform);
}

bool OpenVfwClient(VfwClient *client, const char *aviPath, int32_t width, int32_t height,
                   int32_t frames) {
  client->width = width;
  client->height = height;
  client->frames = frames;
  client->input.biSize = sizeof client->input;
  client->input.biWidth = width;
  client->input.biHeight = height;
  client->input.biPlanes = 1;
  client->input.biBitCount = 24;
  client->input.biCompression = kFourCCZvnr;
  client->input.biSizeImage = 4;
  client->output = client->input;
  client->output.biCompression = BI_RGB;
  client->output.biSizeImage = DWORD(FrameImageSize(width, height));
  client->image.assign(client->output.biSizeImage, 0);

  client->codec = ICOpen(ICTYPE_VIDEO, kFourCCZvnr, ICMODE_DECOMPRESS);
  if (!client->codec ||
      ICDecompressBegin(client->codec, &client->input, &client->output) != ICERR_OK)
    return false;
  if (AVIFileOpenA(&client->file, aviPath, OF_READ | OF_SHARE_DENY_NONE, nullptr) != AVIERR_OK ||
      AVIFileGetStream(client->file, &client->stream, streamtypeVIDEO, 0) != AVIERR_OK)
    return false;
  BITMAPINFOHEADER wanted = client->output;
  client->getFrame = AVIStreamGetFrameOpen(client->stream, &wanted);
  // The codec driver is now loaded: count its calls as ours.
  CountCallsOf(GetModuleHandleA("Zelvanoor.vcm"));
  CountPlatformCalls();
  return client->getFrame != nullptr;
}

void DecompressBatch(VfwClient *client, int frames, std::vector<double> *samples) {
  for (int i = 0; i < frames; ++i) {
    const int32_t token = client->nextDecompress++ % client->frames;
    const CallCounts before = CurrentCallCounts();
    const double start = NowSeconds();
    const DWORD result =
        ICDecompress(client->codec, 0, &client->input, const_cast<int32_t *>(&token),
                     &client->output, client->image.data());
    samples->push_back(NowSeconds() - start);
    const CallCounts calls = Difference(CurrentCallCounts(), before);
    AddCalls(&client->decompress, calls);
    RoleReport &report = client->decompress;
    if (client->watchFrom && report.frames == client->watchFrom)
      report.privateBytesEarly = PrivateBytes();
    if (client->watchFrom && report.frames > client->watchFrom)
      report.allocationsInWatch += calls.calls[kCallAllocation];
    if (result != ICERR_OK || !ShowsFrame(client->image.data(), client->width, token))
      client->decompressOk = false;
  }
}

void GetFrameBatch(VfwClient *client, int frames, std::vector<double> *samples) {
  for (int i = 0; i < frames; ++i) {
    const int32_t position = client->nextGetFrame++ % client->frames;
    const CallCounts before = CurrentCallCounts();
    const double start = NowSeconds();
    const auto *packed =
        static_cast<const BITMAPINFOHEADER *>(AVIStreamGetFrame(client->getFrame, position));
    samples->push_back(NowSeconds() - start);
    AddCalls(&client->getFrameReport, Difference(CurrentCallCounts(), before));
    if (!packed || !ShowsFrame(reinterpret_cast<const uint8_t *>(packed) + packed->biSize +
                                   packed->biClrUsed * sizeof(RGBQUAD),
                               client->width, position))
      client->getFrameOk = false;
  }
}

void CloseVfwClient(VfwClient *client) {
  if (client->decompress.privateBytesEarly) client->decompress.privateBytesLate = PrivateBytes();
  if (client->getFrame) AVIStreamGetFrameClose(client->getFrame);
  if (client->stream) AVIStreamRelease(client->stream);
  if (client->file) AVIFileRelease(client->file);
  if (client->codec) {
    ICDecompressEnd(client->codec);
    ICClose(client->codec);
  }
  client->getFrame = nullptr;
  client->stream = nullptr;
  client->file = nullptr;
  client->codec = nullptr;
}
