// Entry point of every test program. Each program starts and ends with no
// codec registration left in the prefix, so a crashed test cannot leak one
// into the next.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  RemoveStaleCodecRegistration();
  const int result = RUN_ALL_TESTS();
  RemoveStaleCodecRegistration();
  return result;
}
