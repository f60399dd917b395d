#pragma once
// Which frames to decode, as the user wrote them: "all", or a comma-separated
// list of indexes and inclusive ranges ("0,1,150,299", "10-19,3,3", "59-40").
#include <cstdint>
#include <string>
#include <vector>

// Appends the frames of `list` in the order written (repeats kept). "all" and
// ranges are bounded by `frameCount`; "last" stands for its last frame. False
// with a message for a malformed item or a frame outside 0 to frameCount - 1.
bool ParseFrameList(const std::string &list, int32_t frameCount, std::vector<int32_t> *frames,
                    std::string *error);
