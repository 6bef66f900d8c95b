#include <gtest/gtest.h>

#include "webaccess/textconversion.h"

using namespace webaccess;

namespace {

ByteData bytes(std::initializer_list<unsigned char> list)
{
    ByteData data;
    for (unsigned char c : list)
        data.append(static_cast<char>(c));
    return data;
}

TEST(AnsiToWide, GivesUtf16LowByteFirstWithOrWithoutTerminator)
{
    EXPECT_EQ(ansi_to_wide("a汉"), bytes({0x61, 0x00, 0x49, 0x6C, 0x00, 0x00}));
    EXPECT_EQ(ansi_to_wide("a汉", true), bytes({0x61, 0x00, 0x49, 0x6C}));
    EXPECT_TRUE(ansi_to_wide("").isEmpty());
    EXPECT_TRUE(ansi_to_wide("", true).isEmpty());
}

TEST(AnsiToWide, StopsAtAZeroByteAndSubstitutesBrokenCharacters)
{
    EXPECT_EQ(ansi_to_wide(GbkText("ab\0cd", 5), true), bytes({0x61, 0x00, 0x62, 0x00}));
    EXPECT_TRUE(ansi_to_wide(GbkText("\0x", 2)).isEmpty());
    // A lead byte cut off at the end becomes "?" instead of ending the conversion early or crashing.
    EXPECT_EQ(ansi_to_wide("a\xBA", true), bytes({0x61, 0x00, 0x3F, 0x00}));
    // 0x80 is the euro sign in code page 936.
    EXPECT_EQ(ansi_to_wide("\x80", true), bytes({0xAC, 0x20}));
}

TEST(WideToAnsi, ReadsExactlyTheWholeUnitsUpToTheFirstZero)
{
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0x49, 0x6C, 0x00, 0x00})), "a\xBA\xBA");
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0x49, 0x6C})), "a汉");
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0x49, 0x6C, 0x00})), "a汉");
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0x00, 0x00, 0x62, 0x00})), "a");
    EXPECT_EQ(wide_to_ansi(ByteData()), "");
    EXPECT_EQ(wide_to_ansi(bytes({0x61})), "");
}

TEST(WideToAnsi, CharactersWithoutAGbkFormBecomeOneQuestionMarkEach)
{
    // U+00AC is missing from GBK; U+1F600 is a surrogate pair; a lone high surrogate at the end.
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0xAC, 0x00, 0x62, 0x00})), "a?b");
    EXPECT_EQ(wide_to_ansi(bytes({0x3D, 0xD8, 0x00, 0xDE, 0x49, 0x6C})), "?汉");
    EXPECT_EQ(wide_to_ansi(bytes({0x61, 0x00, 0x3D, 0xD8})), "a?");
}

TEST(WideToAnsi, ComposesMarksAndKeepsThePinyinLettersOfTheCodePage)
{
    // "e" + U+0301 is é (A8 A6); a mark with no composite stays a "?" of its own.
    EXPECT_EQ(wide_to_ansi(bytes({0x65, 0x00, 0x01, 0x03})), "\xA8\xA6");
    EXPECT_EQ(wide_to_ansi(bytes({0x71, 0x00, 0x01, 0x03})), "q?");
    // A compatibility ideograph before a mark is not swapped for its unified twin.
    EXPECT_EQ(wide_to_ansi(bytes({0x2C, 0xF9, 0x01, 0x03})), "\xFD\x9C?");
    // ǹg and ḿ as a dictionary page spells them.
    EXPECT_EQ(wide_to_ansi(bytes({0xF9, 0x01, 0x67, 0x00, 0x3F, 0x1E})), "\xA8\xBFg\xA8\xBC");
    EXPECT_EQ(ansi_to_wide("\xA8\xBFg\xA8\xBC", true), bytes({0xF9, 0x01, 0x67, 0x00, 0x3F, 0x1E}));
}

TEST(Conversions, RoundTripGbkText)
{
    const GbkText text = "听写大赛：汉字ABC 123，「测试」";
    EXPECT_EQ(wide_to_ansi(ansi_to_wide(text)), text);
    EXPECT_EQ(wide_to_ansi(ansi_to_wide(text, true)), text);
}

TEST(TextBetween, TakesTheFirstLeftMarkerAndTheFirstRightMarkerBehindIt)
{
    EXPECT_EQ(text_between("<b>x</b>", "<b>", "</b>"), "x");
    EXPECT_EQ(text_between("[1][2]", "[", "]"), "1");
    EXPECT_EQ(text_between("a]b[c", "[", "]"), "");
    EXPECT_EQ(text_between("<b></b>", "<b>", "</b>"), "");
    EXPECT_EQ(text_between("拼音：hàn，释义：汉字。", "释义：", "。"), "汉字");
    // Only the first left marker counts, even when a later one would have a right marker.
    EXPECT_EQ(text_between("(a (b)", "(", ")"), "a (b");
    EXPECT_EQ(text_between("x[ y [z]", "[", "]", 4), "z");
}

TEST(TextBetween, QuotePlaceholderAndEmptyMarkers)
{
    EXPECT_EQ(text_between("name=\"v\";", "name=#引号", "#引号;"), "v");
    EXPECT_EQ(text_between("name=\"v\";", "name=\"", "\";"), "v");
    // The searched text is never rewritten: a literal placeholder in it is not a quote.
    EXPECT_EQ(text_between("name=#引号v#引号;", "name=#引号", "#引号;"), "");
    EXPECT_EQ(text_between("ab;c", "", ";"), "ab");
    EXPECT_EQ(text_between("ab;c", "a", ""), "");
    EXPECT_EQ(text_between("", "", ""), "");
    EXPECT_EQ(text_between("", "a", "b"), "");
}

TEST(TextBetween, IsGbkAwareAndOptionallyIgnoresCase)
{
    // "\xBA\x5B" is a character whose trail byte is '[': it is no left marker.
    EXPECT_EQ(text_between("\xBA[x]", "[", "]"), "");
    EXPECT_EQ(text_between("\xBA[x][y]", "[", "]"), "y");
    EXPECT_EQ(text_between("<B>x</b>", "<b>", "</B>"), "");
    EXPECT_EQ(text_between("<B>x</b>", "<b>", "</B>", 1, true), "x");
}

} // namespace
