// zvclient: decodes frames of an AVI file through Video for Windows, as an
// encoder or player would, and writes them as BMP files or checks them
// against the demo project's pattern.
#include <windows.h>
// vfw.h builds on the types of windows.h.
#include <vfw.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "demo_project.h"
#include "frame_decoder.h"
#include "frame_list.h"
#include "video_source.h"

namespace {

const char kUsage[] =
    "usage: zvclient AVI [--frames LIST] [--bmp FOLDER] [--verify] [--icdecompress]\n"
    "                    [--wait-event NAME] [--wait-seconds N] [--done-event NAME]\n"
    "  --frames LIST    frames to decode: \"all\" (the default) or indexes and ranges,\n"
    "                   e.g. 0,1,150,last or 10-19 (order and repeats are kept)\n"
    "  --bmp FOLDER     write each decoded frame as FOLDER\\frame_NNNNN.bmp\n"
    "  --verify         check each frame against the demo project's pattern\n"
    "  --icdecompress   open the decompressor directly (ICOpen, ICDecompress)\n"
    "                   instead of AVIStreamGetFrame\n"
    "  --wait-event N   first wait until the named event is set (the host's ready event)\n"
    "  --wait-seconds N how long to wait for it (default 60)\n"
    "  --done-event N   set the named event at the end (e.g. the host's stop event)\n"
    "exit status: 0 all frames decoded (and verified), 1 a frame was wrong, 2 error\n";

struct Options {
  std::string aviPath;
  std::string frames = "all";
  std::string bmpFolder;
  std::string waitEvent;
  std::string doneEvent;
  DWORD waitSeconds = 60;
  bool verify = false;
  DecodePath path = DecodePath::GetFrame;
};

bool ParseOptions(int argc, char **argv, Options *options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--frames" && hasValue)
      options->frames = argv[++i];
    else if (arg == "--bmp" && hasValue)
      options->bmpFolder = argv[++i];
    else if (arg == "--wait-event" && hasValue)
      options->waitEvent = argv[++i];
    else if (arg == "--done-event" && hasValue)
      options->doneEvent = argv[++i];
    else if (arg == "--wait-seconds" && hasValue)
      options->waitSeconds = DWORD(std::strtoul(argv[++i], nullptr, 10));
    else if (arg == "--verify")
      options->verify = true;
    else if (arg == "--icdecompress")
      options->path = DecodePath::IcDecompress;
    else if (arg.compare(0, 2, "--") != 0 && options->aviPath.empty())
      options->aviPath = arg;
    else
      return false;
  }
  return !options->aviPath.empty();
}

// Created here if the host has not made it yet, so the order of the two
// starts does not matter.
bool WaitForEvent(const std::string &name, DWORD seconds) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  if (!event) return false;
  const bool set = WaitForSingleObject(event, seconds * 1000) == WAIT_OBJECT_0;
  CloseHandle(event);
  return set;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

int Fail(const std::string &message) {
  std::fprintf(stderr, "zvclient: %s\n", message.c_str());
  return 2;
}

int Run(const Options &options) {
  if (!options.waitEvent.empty() && !WaitForEvent(options.waitEvent, options.waitSeconds))
    return Fail("the event \"" + options.waitEvent + "\" was not set in time");

  VideoSource source;
  std::string error;
  if (!OpenVideoSource(options.aviPath.c_str(), &source, &error))
    return Fail(options.aviPath + ": " + error);
  const BITMAPINFOHEADER format = *source.header();
  const int32_t frameCount = AVIStreamLength(source.stream);
  std::printf("opened %s\n  video: %ldx%ld, %ld frames at %.3f fps, compression %s\n",
              options.aviPath.c_str(), long(format.biWidth), long(format.biHeight),
              long(frameCount),
              source.info.dwScale ? double(source.info.dwRate) / source.info.dwScale : 0.0,
              FourCCText(format.biCompression).c_str());

  std::vector<int32_t> frames;
  if (!ParseFrameList(options.frames, frameCount, &frames, &error)) return Fail(error);

  FrameDecoder decoder;
  if (!OpenFrameDecoder(source, options.path, &decoder, &error)) {
    CloseVideoSource(&source);
    return Fail(error);
  }
  std::printf("  decoding %zu frame(s) to 24-bit RGB through %s\n", frames.size(),
              options.path == DecodePath::GetFrame ? "AVIStreamGetFrame" : "ICDecompress");

  double decodeSeconds = 0;
  int wrong = 0;
  int written = 0;
  int status = 0;
  for (int32_t frame : frames) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    const uint8_t *image = DecodeFrame(source, decoder, frame, &error);
    QueryPerformanceCounter(&after);
    decodeSeconds += Seconds(before, after);
    if (!image) {
      status = Fail(error);
      break;
    }
    if (options.verify) {
      int32_t found = -1;
      if (!IsDemoFrame(image, frame, format.biWidth, format.biHeight, &found)) {
        std::printf("  frame %ld: WRONG (the pixels encode frame %ld)\n", long(frame), long(found));
        ++wrong;
      }
    }
    if (!options.bmpFolder.empty()) {
      char name[32];
      std::snprintf(name, sizeof name, "\\frame_%05ld.bmp", long(frame));
      if (!WriteBmpFile(options.bmpFolder + name, image, format.biWidth, format.biHeight)) {
        status = Fail("cannot write " + options.bmpFolder + name);
        break;
      }
      ++written;
    }
  }
  CloseFrameDecoder(&decoder);
  CloseVideoSource(&source);
  if (status) return status;

  const double fps = decodeSeconds > 0 ? double(frames.size()) / decodeSeconds : 0;
  std::printf("  decoded %zu frame(s) in %.3f s: %.1f frames per second\n", frames.size(),
              decodeSeconds, fps);
  if (options.verify)
    std::printf("  verified against the demo pattern: %zu right, %d wrong\n",
                frames.size() - size_t(wrong), wrong);
  if (written) std::printf("  wrote %d BMP file(s) to %s\n", written, options.bmpFolder.c_str());
  return wrong ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  AVIFileInit();
  const int status = Run(options);
  AVIFileExit();
  if (!options.doneEvent.empty()) {
    // The decoders are closed by now, so whoever waits may tear down.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, options.doneEvent.c_str());
    if (event) {
      SetEvent(event);
      CloseHandle(event);
    }
  }
  std::fflush(stdout);
  return status;
}
