#include "host_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame_image.h"
#include "host_interface.h"

const char kHostUsage[] =
    "usage: zvhost [options]\n"
    "Loads an output plug-in the way a video editing host does and outputs a\n"
    "built-in demo project through it: the plug-in writes its reference AVI and\n"
    "then serves the project's frames until the run is stopped.\n"
    "\n"
    "  --plugin PATH           plug-in to load (default: zelvanoor." ZELVANOOR_PLUGIN_EXT
    " beside zvhost)\n"
    "  --output PATH           reference AVI to write (default: demo.avi here)\n"
    "  --width N, --height N   frame size in pixels (default 640 x 360)\n"
    "  --rate N, --scale N     frames per second = rate / scale (default 30000/1001)\n"
    "  --frames N              frames in the project, 0 or more (default 300)\n"
    "  --audio-rate N          audio sample frames per second (default 48000)\n"
    "  --channels N            16-bit audio channels, 1 to 32 (default 2)\n"
    "  --no-audio, --no-video  output without that stream\n"
    "  --flags N               raw OutputInfo flags (bit 0 video, bit 1 audio);\n"
    "                          overrides --no-audio and --no-video\n"
    "\n"
    "Ending the run (the host then tells the plug-in to stop):\n"
    "  Ctrl-C                  at any time\n"
    "  --serve-seconds N       N seconds after serving has begun\n"
    "  --stop-event NAME       when the named event is set\n"
    "  --ready-event NAME      named manual-reset event set once the reference AVI\n"
    "                          is written and serving has begun\n"
    "\n"
    "Fault injection and load (frame numbers K count from 0 and lie below --frames;\n"
    "the options taking K accept a comma-separated list and may be repeated):\n"
    "  --abort-at K            tell the writer to stop when it asks before frame K\n"
    "  --short-audio-frame K   deliver only half the audio asked for frame K\n"
    "  --null-audio-frame K    answer frame K's audio with a null pointer\n"
    "  --null-frame K          answer a request for frame K with a null pointer\n"
    "  --slow-fetch-ms N       wait N ms (up to 60000) before every frame\n"
    "  --prerender             render all frames before the run (at most 1.5 GiB)\n"
    "  --help                  this text\n"
    "\n"
    "Frames outside the project are answered black. Exit code: 0 when the run\n"
    "ended normally, 1 when the plug-in reported failure, 2 for bad arguments or a\n"
    "plug-in that cannot be loaded.\n";

namespace {

bool ParseInteger(const char *text, int64_t low, int64_t high, int32_t *value) {
  if (!*text) return false;
  errno = 0;
  char *end;
  const long long parsed = std::strtoll(text, &end, 0);
  if (errno || *end || parsed < low || parsed > high) return false;
  *value = int32_t(parsed);
  return true;
}

bool ParseFrameList(const char *text, std::vector<int32_t> *frames) {
  std::string list = text;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    int32_t frame;
    if (!ParseInteger(item.c_str(), 0, INT32_MAX, &frame)) return false;
    frames->push_back(frame);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

struct IntegerOption {
  const char *name;
  int32_t HostOptions::*field;
  int64_t low, high;
};

const IntegerOption kIntegerOptions[] = {
    {"--width", &HostOptions::width, 1, 32768},
    {"--height", &HostOptions::height, 1, 32768},
    {"--rate", &HostOptions::rate, 1, INT32_MAX},
    {"--scale", &HostOptions::scale, 1, INT32_MAX},
    {"--frames", &HostOptions::frames, 0, INT32_MAX},
    {"--audio-rate", &HostOptions::audioRate, 1, 1000000},
    {"--channels", &HostOptions::channels, 1, 32},
    {"--serve-seconds", &HostOptions::serveSeconds, 0, 24 * 3600},
    {"--abort-at", &HostOptions::abortAt, 0, INT32_MAX},
    {"--slow-fetch-ms", &HostOptions::slowFetchMs, 0, 60000},
};

struct ListOption {
  const char *name;
  std::vector<int32_t> HostOptions::*field;
};

const ListOption kListOptions[] = {
    {"--short-audio-frame", &HostOptions::shortAudioFrames},
    {"--null-audio-frame", &HostOptions::nullAudioFrames},
    {"--null-frame", &HostOptions::nullFrames},
};

struct TextOption {
  const char *name;
  std::string HostOptions::*field;
};

const TextOption kTextOptions[] = {
    {"--plugin", &HostOptions::pluginPath},
    {"--output", &HostOptions::outputPath},
    {"--stop-event", &HostOptions::stopEvent},
    {"--ready-event", &HostOptions::readyEvent},
};

// Takes the value of an option, given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::string &name, int argc, const char *const *argv, int *i,
               const char *inlineValue, std::string *value, std::string *error) {
  if (inlineValue) {
    *value = inlineValue;
  } else if (*i + 1 < argc) {
    *value = argv[++*i];
  } else {
    *error = name + " needs a value";
    return false;
  }
  return true;
}

bool ParseOne(const std::string &name, const char *inlineValue, int argc, const char *const *argv,
              int *i, HostOptions *options, std::string *error) {
  struct Switch {
    const char *name;
    bool HostOptions::*field;
  };
  const Switch switches[] = {{"--no-audio", &HostOptions::noAudio},
                             {"--no-video", &HostOptions::noVideo},
                             {"--prerender", &HostOptions::prerender},
                             {"--help", &HostOptions::help}};
  for (const Switch &s : switches)
    if (name == s.name) {
      if (inlineValue) {
        *error = name + " takes no value";
        return false;
      }
      options->*s.field = true;
      return true;
    }

  std::string value;
  for (const IntegerOption &o : kIntegerOptions)
    if (name == o.name) {
      if (!TakeValue(name, argc, argv, i, inlineValue, &value, error)) return false;
      if (!ParseInteger(value.c_str(), o.low, o.high, &(options->*o.field))) {
        *error = name + " wants a whole number from " + std::to_string(o.low) + " to " +
                 std::to_string(o.high) + ", not '" + value + "'";
        return false;
      }
      return true;
    }
  if (name == "--flags") {
    if (!TakeValue(name, argc, argv, i, inlineValue, &value, error)) return false;
    if (!ParseInteger(value.c_str(), INT32_MIN, UINT32_MAX, &options->rawFlags)) {
      *error = "--flags wants a 32-bit number, not '" + value + "'";
      return false;
    }
    options->rawFlagsGiven = true;
    return true;
  }
  for (const ListOption &o : kListOptions)
    if (name == o.name) {
      if (!TakeValue(name, argc, argv, i, inlineValue, &value, error)) return false;
      if (!ParseFrameList(value.c_str(), &(options->*o.field))) {
        *error = name + " wants frame numbers like 3 or 3,8,12, not '" + value + "'";
        return false;
      }
      return true;
    }
  for (const TextOption &o : kTextOptions)
    if (name == o.name) {
      if (!TakeValue(name, argc, argv, i, inlineValue, &value, error)) return false;
      if (value.empty()) {
        *error = name + " needs a value that is not empty";
        return false;
      }
      options->*o.field = value;
      return true;
    }
  *error = "unknown option '" + name + "'";
  return false;
}

bool FramesInProject(const char *name, const std::vector<int32_t> &frames, int32_t frameCount,
                     std::string *error) {
  for (int32_t frame : frames)
    if (frame >= frameCount) {
      *error = std::string(name) + " " + std::to_string(frame) + " lies beyond the last frame " +
               std::to_string(int64_t(frameCount) - 1);
      return false;
    }
  return true;
}

bool CheckProject(const HostOptions &options, std::string *error) {
  int32_t imageBytes;
  if (!FrameImageSizeChecked(options.width, options.height, &imageBytes)) {
    *error = "a frame of " + std::to_string(options.width) + " x " +
             std::to_string(options.height) + " does not fit 2 GiB";
    return false;
  }
  // In double first: the integer product can exceed 64 bits for nonsense input.
  if (double(options.frames) * options.scale * options.audioRate / options.rate > INT32_MAX) {
    *error = "the project is too long for a 32-bit count of audio sample frames";
    return false;
  }
  if (options.prerender && int64_t(imageBytes) * options.frames > kPrerenderLimitBytes) {
    *error = "--prerender would need " +
             std::to_string(int64_t(imageBytes) * options.frames >> 20) +
             " MiB, more than the 1536 MiB allowed";
    return false;
  }
  if (options.abortAt >= 0 &&
      !FramesInProject("--abort-at", {options.abortAt}, options.frames, error))
    return false;
  for (const ListOption &o : kListOptions)
    if (!FramesInProject(o.name, options.*o.field, options.frames, error)) return false;
  return true;
}

}  // namespace

bool ParseHostOptions(int argc, const char *const *argv, HostOptions *options, std::string *error) {
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.compare(0, 2, "--") != 0) {
      *error = "unexpected argument '" + argument + "'";
      return false;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const char *inlineValue = equals == std::string::npos ? nullptr : argv[i] + equals + 1;
    if (!ParseOne(name, inlineValue, argc, argv, &i, options, error)) return false;
  }
  return options->help || CheckProject(*options, error);
}

int32_t OutputFlags(const HostOptions &options) {
  if (options.rawFlagsGiven) return options.rawFlags;
  return (options.noVideo ? 0 : kOutputHasVideo) | (options.noAudio ? 0 : kOutputHasAudio);
}

int32_t AudioSampleCount(const HostOptions &options) {
  return int32_t(int64_t(options.frames) * options.scale * options.audioRate / options.rate);
}
