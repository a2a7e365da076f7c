// ESC ends the process at once with status 0: checked in a second process,
// which a death test forks.
#include "keyboard.h"

#include <gtest/gtest.h>

namespace {

TEST(KeysDeathTest, EscapeEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(onKey(27, 0, 0), testing::ExitedWithCode(0), "");
}

} // namespace
