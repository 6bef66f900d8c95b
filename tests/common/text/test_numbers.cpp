#include <clocale>
#include <cmath>
#include <ctime>
#include <limits>

#include <gtest/gtest.h>

#include "common/text/numbers.h"
#include "tests/support/cannotrun.h"

using namespace common;

namespace {

TEST(ToInteger, ReadsLeadingDecimalDigits)
{
    EXPECT_EQ(to_integer(GbkText("-7x")), -7);
    EXPECT_EQ(to_integer(GbkText("x7")), 0);
    EXPECT_EQ(to_integer(GbkText("4.5")), 4);
    EXPECT_EQ(to_integer(GbkText("abc")), 0);
    EXPECT_EQ(to_integer(GbkText("")), 0);
    EXPECT_EQ(to_integer(GbkText(" 30秒")), 30);
    EXPECT_EQ(to_integer(GbkText("\t\n +12")), 12);
    EXPECT_EQ(to_integer(GbkText("- 5")), 0);
    EXPECT_EQ(to_integer(GbkText("0x1A")), 0);
    EXPECT_EQ(to_integer(GbkText("007")), 7);
    EXPECT_EQ(to_integer("42"), 42);
    EXPECT_EQ(to_integer(static_cast<const char*>(nullptr)), 0);
}

TEST(ToInteger, ReadsFullWidthFormsAsAscii)
{
    EXPECT_EQ(to_integer(GbkText("１２")), 12);
    EXPECT_EQ(to_integer(GbkText("－３５")), -35);
    EXPECT_EQ(to_integer(GbkText("　４")), 4);
    EXPECT_EQ(to_integer(GbkText("１2３")), 123);
    EXPECT_EQ(to_integer(GbkText("汉１")), 0);
    // A lone lead byte at the end does not read past the text.
    EXPECT_EQ(to_integer(GbkText("5\xA3")), 5);
}

TEST(ToInteger, SaturatesBeyondInt)
{
    EXPECT_EQ(to_integer(GbkText("2147483647")), 2147483647);
    EXPECT_EQ(to_integer(GbkText("-2147483648")), std::numeric_limits<int>::min());
    EXPECT_EQ(to_integer(GbkText("99999999999999999999")), std::numeric_limits<int>::max());
    EXPECT_EQ(to_integer(GbkText("-99999999999999999999")), std::numeric_limits<int>::min());
}

TEST(ToInteger, OtherValuesTruncateTowardZero)
{
    EXPECT_EQ(to_integer(4.9), 4);
    EXPECT_EQ(to_integer(-4.9), -4);
    EXPECT_EQ(to_integer(-2.5), -2);
    EXPECT_EQ(to_integer(425.5f), 425);
    EXPECT_EQ(to_integer(true), 1);
    EXPECT_EQ(to_integer(false), 0);
    EXPECT_EQ(to_integer(std::int64_t{0x100000005}), 5);
    EXPECT_EQ(to_integer(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(to_integer(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(to_integer(-1e300), std::numeric_limits<int>::min());
}

TEST(ToText, FormatsNumbersAsTheWireExpects)
{
    EXPECT_EQ(to_text(-3), "-3");
    EXPECT_EQ(to_text(0), "0");
    EXPECT_EQ(to_text(std::numeric_limits<int>::min()), "-2147483648");
    EXPECT_EQ(to_text(std::uint8_t{200}), "200");
    EXPECT_EQ(to_text(std::int64_t{-9000000000}), "-9000000000");
    EXPECT_EQ(to_text(4.0), "4");
    EXPECT_EQ(to_text(30.0), "30");
    EXPECT_EQ(to_text(2.5), "2.5");
    EXPECT_EQ(to_text(1e20), "1e+20");
    EXPECT_EQ(to_text(0.1 + 0.2), "0.3");
    EXPECT_EQ(to_text(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(to_text(0.0001), "0.0001");
    EXPECT_EQ(to_text(0.00001), "1e-05");
    EXPECT_EQ(to_text(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(to_text(2.5f), "2.5");
}

TEST(ToText, BoolsTextsAndBytes)
{
    EXPECT_EQ(to_text(true), "真");
    EXPECT_EQ(to_text(false), "假");
    EXPECT_EQ(to_text(GbkText("汉")), "汉");
    EXPECT_EQ(to_text("abc"), "abc");
    EXPECT_EQ(to_text(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(to_text(QByteArray("ab\0cd", 5)), "ab");
    EXPECT_EQ(to_text(QByteArray()), "");
}

TEST(ToText, IgnoresTheProcessLocale)
{
    // Qt adopts the environment's locale; a decimal comma must never reach a message.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "C.UTF-8") == nullptr)
        SKIP_OR_FAIL_UNDER_CI("no other locale installed");
    EXPECT_EQ(to_text(2.5), "2.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TickCount, AdvancesWithRealTime)
{
    const int before = tick_count();
    struct timespec pause
    {
        0, 30 * 1000 * 1000
    };
    nanosleep(&pause, nullptr);
    const int elapsed = tick_count() - before;
    EXPECT_GE(elapsed, 29);
    EXPECT_LT(elapsed, 10000);
}

TEST(BitwiseOr, CombinesEveryArgument)
{
    EXPECT_EQ(bitwise_or(5), 5);
    EXPECT_EQ(bitwise_or(1, 2, 8), 11);
    EXPECT_EQ(bitwise_or(0x10000, 0x20), 0x10020);
}

} // namespace
