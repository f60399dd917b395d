#include "stress_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <type_traits>

const char kStressUsage[] =
    "usage: zvstress [options]\n"
    "Decodes frames of the serving run on several threads, each with its own\n"
    "decompressor, and checks every frame against the demo project. The output\n"
    "buffer is filled with a canary before each call, so a call that delivers no\n"
    "image is told apart from one that delivers a wrong image.\n"
    "\n"
    "  --avi PATH              read the frame tokens and format from the reference\n"
    "                          AVI and open the decompressor by its handler\n"
    "  --width N --height N    without --avi: the frame size (default 64 x 48)\n"
    "  --frames N              without --avi: frames in the project (default 300)\n"
    "  --threads N             decoding threads, 1 to 64 (default 2)\n"
    "  --list K,K,...          frames to ask for, dealt round-robin to the threads\n"
    "  --seconds N             random frames for N seconds; with --list or\n"
    "                          --served-after-phase: the most the run may last\n"
    "  --seed N                seed of the random frames\n"
    "  --call-bound-ms N       count calls that take longer than N ms\n"
    "  --ready-event NAME      set once every thread is about to decode\n"
    "  --start-event NAME      wait for this event before the first call\n"
    "  --served-event NAME     set at the first frame served\n"
    "  --no-image-event NAME   set at the first call that delivers no image\n"
    "  --phase-event NAME      count frames served in calls begun after it is set\n"
    "  --served-after-phase N  a thread ends after N such frames\n"
    "  --hold-mutex            take the exchange mutex, set the ready event, and\n"
    "                          keep the mutex until killed\n"
    "\n"
    "Last line: zvstress: requests=N served=N noimage=N wrong=N errors=N\n"
    "after_phase_min=N longest_ms=N over_bound=N. Exit code: 0 no wrong frame and\n"
    "no error, 1 a wrong frame or a failed call, 2 bad arguments or nothing to\n"
    "decode with, 3 a thread did not reach --served-after-phase in time.\n";

namespace {

bool ParseNumber(const char *text, long long low, long long high, long long *value) {
  if (!*text) return false;
  errno = 0;
  char *end;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno || *end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool ParseList(const char *text, std::vector<int32_t> *list) {
  list->clear();
  std::string item;
  for (const char *p = text;; ++p) {
    if (*p && *p != ',') {
      item += *p;
      continue;
    }
    long long frame;
    if (!ParseNumber(item.c_str(), 0, INT32_MAX, &frame)) return false;
    list->push_back(int32_t(frame));
    item.clear();
    if (!*p) return true;
  }
}

}  // namespace

bool ParseStressOptions(int argc, const char *const *argv, StressOptions *options,
                        std::string *error) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "--hold-mutex") {
      (arg == "--help" ? options->help : options->holdMutex) = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = arg + (arg.compare(0, 2, "--") == 0 ? " needs a value" : ": unknown argument");
      return false;
    }
    const char *value = argv[++i];
    auto number = [value](long long low, long long high, auto *field) {
      long long n;
      if (!ParseNumber(value, low, high, &n)) return false;
      *field = static_cast<std::remove_pointer_t<decltype(field)>>(n);
      return true;
    };
    bool ok = true;
    if (arg == "--avi")
      options->aviPath = value;
    else if (arg == "--ready-event")
      options->readyEvent = value;
    else if (arg == "--start-event")
      options->startEvent = value;
    else if (arg == "--served-event")
      options->servedEvent = value;
    else if (arg == "--no-image-event")
      options->noImageEvent = value;
    else if (arg == "--phase-event")
      options->phaseEvent = value;
    else if (arg == "--list")
      ok = ParseList(value, &options->list);
    else if (arg == "--width")
      ok = number(1, 16384, &options->width);
    else if (arg == "--height")
      ok = number(1, 16384, &options->height);
    else if (arg == "--frames")
      ok = number(1, INT32_MAX, &options->frames);
    else if (arg == "--threads")
      ok = number(1, 64, &options->threads);
    else if (arg == "--seconds")
      ok = number(0, 24 * 3600, &options->seconds);
    else if (arg == "--seed")
      ok = number(0, UINT32_MAX, &options->seed);
    else if (arg == "--call-bound-ms")
      ok = number(0, 3600000, &options->callBoundMs);
    else if (arg == "--served-after-phase")
      ok = number(1, 1000000, &options->servedAfterPhase);
    else {
      *error = arg + ": unknown argument";
      return false;
    }
    if (!ok) {
      *error = "bad value for " + arg + ": " + value;
      return false;
    }
  }
  if (options->help || options->holdMutex) return true;
  if (options->servedAfterPhase > 0 && options->phaseEvent.empty()) {
    *error = "--served-after-phase needs --phase-event";
    return false;
  }
  if (options->list.empty() && options->seconds == 0 && options->servedAfterPhase == 0) {
    *error = "nothing to do: give --list, --seconds or --served-after-phase";
    return false;
  }
  return true;
}
