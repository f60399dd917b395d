#include "frame_list.h"

#include <cstdlib>

namespace {

bool ParseIndex(const std::string &text, int32_t frameCount, int32_t *index) {
  if (text == "last") {
    *index = frameCount - 1;
    return frameCount > 0;
  }
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
    return false;
  *index = int32_t(std::strtol(text.c_str(), nullptr, 10));
  return *index < frameCount;
}

}  // namespace

bool ParseFrameList(const std::string &list, int32_t frameCount, std::vector<int32_t> *frames,
                    std::string *error) {
  if (list == "all") {
    for (int32_t i = 0; i < frameCount; ++i) frames->push_back(i);
    return true;
  }
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = list.find(',', start);
    const std::string item = list.substr(start, end == std::string::npos ? end : end - start);
    const size_t dash = item.find('-');
    int32_t first, last;
    const bool ok = dash == std::string::npos
                        ? ParseIndex(item, frameCount, &first) && (last = first, true)
                        : ParseIndex(item.substr(0, dash), frameCount, &first) &&
                              ParseIndex(item.substr(dash + 1), frameCount, &last);
    if (!ok) {
      *error = "\"" + item + "\" is not a frame or range of frames 0 to " +
               std::to_string(frameCount - 1);
      return false;
    }
    // A range may run backwards, as a player scrubbing back does.
    const int32_t step = first <= last ? 1 : -1;
    for (int32_t i = first; i != last + step; i += step) frames->push_back(i);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}
