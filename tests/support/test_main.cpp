// Entry point of every test program. A program that uses the exchange starts
// and ends with no codec registration left in the prefix, so a crashed test
// cannot leak one into the next; the others, which may run beside a test in
// progress, leave the registration alone.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  const bool ownsRegistration = GetEnvironmentVariableA("ZELVANOOR_EXCHANGE_TEST", nullptr, 0) > 0;
  if (ownsRegistration) RemoveStaleCodecRegistration();
  const int result = RUN_ALL_TESTS();
  if (ownsRegistration) RemoveStaleCodecRegistration();
  return result;
}
