#include <gtest/gtest.h>

#include "common/text/numbers.h"

using namespace common;

namespace {

// The generator is never seeded, so this executable holds a single test that owns the sequence
// from the program's start on.
TEST(RandomInteger, DrawsTheSameSequenceInEveryRun)
{
    // r values 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, ...
    EXPECT_EQ(random_integer(0, 1), 1);            // 41 mod 2
    EXPECT_EQ(random_integer(5, 5), 5);            // equal bounds draw nothing
    EXPECT_EQ(random_integer(), 18467);            // full span: r itself
    EXPECT_EQ(random_integer(3, 1), 1 + 6334 % 3); // reversed bounds are swapped
    EXPECT_EQ(random_integer(-10, 9), 26500 % 10); // a negative bound counts as 0
    EXPECT_EQ(random_integer(100, 199), 100 + 19169 % 100);
    EXPECT_EQ(random_integer(0, 2147483647), 15724);
    EXPECT_EQ(random_integer(-5, -1), 0); // both bounds 0: no draw
    EXPECT_EQ(random_integer(0, 32767), 11478);

    // A span above 32768 never reaches its upper part.
    for (int i = 0; i < 2000; ++i) {
        const int value = random_integer(1000, 100000);
        ASSERT_GE(value, 1000);
        ASSERT_LE(value, 1000 + 32767);
    }
    for (int i = 0; i < 2000; ++i) {
        const int value = random_integer(1, 3);
        ASSERT_GE(value, 1);
        ASSERT_LE(value, 3);
    }
}

} // namespace
