#include <gtest/gtest.h>

#include "common/text/gbktext.h"

using namespace common;

namespace {

// "\xBA\x7C" is a double-byte character whose trail byte is '|'; "\x95\x5C" one whose trail is '\'.
const GbkText kTrailBar = "\xBA\x7C";

TEST(SplitText, DropsOnlyAnEmptyLastPiece)
{
    EXPECT_EQ(split_text("a|b|", "|"), (TextList{"a", "b"}));
    EXPECT_EQ(split_text("a||b", "|"), (TextList{"a", "", "b"}));
    EXPECT_EQ(split_text("|a", "|"), (TextList{"", "a"}));
    EXPECT_EQ(split_text("|", "|"), (TextList{""}));
    EXPECT_EQ(split_text("||", "|"), (TextList{"", ""}));
    EXPECT_TRUE(split_text("", "|").empty());
    EXPECT_EQ(split_text("a,b"), (TextList{"a", "b"}));
    EXPECT_EQ(split_text("a|b", ""), (TextList{"a|b"}));
}

TEST(SplitText, NeverSplitsInsideADoubleByteCharacter)
{
    EXPECT_EQ(split_text("x" + kTrailBar + "|y", "|"), (TextList{"x" + kTrailBar, "y"}));
    EXPECT_EQ(split_text(kTrailBar + kTrailBar, "|"), (TextList{kTrailBar + kTrailBar}));
    EXPECT_EQ(split_text("用户|密码|", "|"), (TextList{"用户", "密码"}));
    // A multi-byte separator that only matches across two characters is no separator.
    EXPECT_EQ(split_text("\xB0\xA1\xB0\xA1", "\xA1\xB0"), (TextList{"\xB0\xA1\xB0\xA1"}));
    // A separator made of Chinese characters.
    EXPECT_EQ(split_text("一分隔二分隔", "分隔"), (TextList{"一", "二"}));
    // A truncated character at the end stays in the last piece.
    EXPECT_EQ(split_text("a|b\xBA", "|"), (TextList{"a", "b\xBA"}));
}

TEST(SplitText, MaxPiecesStopsTheScan)
{
    EXPECT_EQ(split_text("a|b|c", "|", 2), (TextList{"a", "b"}));
    EXPECT_EQ(split_text("a|b|c", "|", 1), (TextList{"a"}));
    EXPECT_EQ(split_text("abc", "|", 1), (TextList{"abc"}));
    EXPECT_EQ(split_text("a|b|c", "|", 3), (TextList{"a", "b", "c"}));
    EXPECT_TRUE(split_text("a|b", "|", 0).empty());
    EXPECT_TRUE(split_text("a|b", "|", -5).empty());
    // Only an omitted limit means every piece; -1 is a negative value like any other.
    EXPECT_TRUE(split_text("a|b", "|", -1).empty());
    EXPECT_EQ(split_text("a|b", "|"), (TextList{"a", "b"}));
}

TEST(SplitText, MatchesAfterASeparatorStartAFreshCharacterCount)
{
    // After a match the scan goes on behind it, even where that cuts a character.
    EXPECT_EQ(split_text("\xBA\xBA\x7C", "\xBA"), (TextList{"", "", "\x7C"}));
}

TEST(FindText, CountsPositionsInBytesAndStepsOverCharacters)
{
    EXPECT_EQ(find_text("汉a", "a"), 3);
    EXPECT_EQ(find_text("汉字", "字"), 3);
    EXPECT_EQ(find_text("abcabc", "c", 4), 6);
    EXPECT_EQ(find_text("abc", "c", -3), 3);
    // "\xBA\xD7" straddles the two characters of "汉字" (BA BA D7 D6).
    EXPECT_EQ(find_text("汉字", "\xBA\xD7"), -1);
    EXPECT_EQ(find_text("x" + kTrailBar, "|"), -1);
    EXPECT_EQ(find_text("x" + kTrailBar + "|", "|"), 4);
    EXPECT_EQ(find_text("abc", "d"), -1);
    EXPECT_EQ(find_text("abc", "abcd"), -1);
}

TEST(FindText, StartAndEmptyTexts)
{
    EXPECT_EQ(find_text("abc", "a", 4), -1);
    EXPECT_EQ(find_text("abc", "a", 100), -1);
    EXPECT_EQ(find_text("abc", ""), 1);
    EXPECT_EQ(find_text("abc", "", 3), 1);
    EXPECT_EQ(find_text("", ""), -1);
    EXPECT_EQ(find_text("", "a"), -1);
    // Characters are counted from start: a start on a trail byte makes it a character start.
    EXPECT_EQ(find_text("\xBA\x7C", "|", 2), 2);
}

TEST(FindText, IgnoreCaseFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(find_text("xABc", "abC", 1, true), 2);
    EXPECT_EQ(find_text("xABc", "abC", 1, false), -1);
    // "\x81\x41" has trail byte 'A': it must not match "\x81\x61" or a lone 'a'.
    EXPECT_EQ(find_text("\x81\x41", "\x81\x61", 1, true), -1);
    EXPECT_EQ(find_text("\x81\x41", "a", 1, true), -1);
    EXPECT_EQ(find_text("\x81\x41"
                        "a",
                        "A", 1, true),
              3);
    EXPECT_EQ(find_text("汉字", "\xBA\xD7", 1, true), -1);
}

TEST(ReplaceText, ReplacesNonOverlappingMatchesLeftToRight)
{
    EXPECT_EQ(replace_text("aaaa", "aa", "b", 1, kAll, true), "bb");
    EXPECT_EQ(replace_text("aaa", "aa", "b", 1, kAll, true), "ba");
    EXPECT_EQ(replace_text("a|b|c", "|", "\t", 1, kAll, true), "a\tb\tc");
    EXPECT_EQ(replace_text("a|b|c", "|", "", 1, kAll, true), "abc");
    EXPECT_EQ(replace_text("a|b|c", "|", "--", 1, 1, true), "a--b|c");
    EXPECT_EQ(replace_text("a|b|c", "|", "-", 3, kAll, true), "a|b-c");
    EXPECT_EQ(replace_text("a|b|c", "|", "-", 1, 0, true), "a|b|c");
    // A replacement that contains the wanted text is not searched again.
    EXPECT_EQ(replace_text("ab", "a", "aa", 1, kAll, true), "aab");
}

TEST(ReplaceText, RespectsCharactersAndCase)
{
    EXPECT_EQ(replace_text("x" + kTrailBar + "|", "|", "/", 1, kAll, true), "x" + kTrailBar + "/");
    EXPECT_EQ(replace_text("汉字汉字", "汉", "中", 1, kAll, true), "中字中字");
    EXPECT_EQ(replace_text("汉字", "\xBA\xD7", "X", 1, kAll, true), "汉字");
    EXPECT_EQ(replace_text("Cookie: A=1; a=2", "a=", "b=", 1, kAll, false), "Cookie: b=1; b=2");
    EXPECT_EQ(replace_text("Cookie: A=1; a=2", "a=", "b=", 1, kAll, true), "Cookie: A=1; b=2");
    EXPECT_EQ(replace_text("Ab", "a"), "b");
    EXPECT_EQ(replace_text("", "a", "b"), "");
    EXPECT_EQ(replace_text("abc", "", "b"), "abc");
    EXPECT_EQ(replace_text("abc", "c", "x", 10), "abc");
}

TEST(TrimSpaces, StripsAsciiAndFullWidthBlanksOnly)
{
    EXPECT_EQ(trim_spaces("  a b  "), "a b");
    EXPECT_EQ(trim_spaces("\xA1\xA1 a\xA1\xA1 "), "a");
    EXPECT_EQ(trim_spaces("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(trim_spaces("   "), "");
    EXPECT_EQ(trim_spaces("\xA1\xA1"), "");
    EXPECT_EQ(trim_spaces(""), "");
    // The trail byte of "\xB0\xA1" and a stray A1 byte after it are no full-width space.
    EXPECT_EQ(trim_spaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(trim_spaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
    EXPECT_EQ(trim_spaces(" \xA1"), "\xA1");
}

TEST(BytePositions, LeftRightMidCutAtBytes)
{
    EXPECT_EQ(text_left("汉字", 3), "\xBA\xBA\xD7");
    EXPECT_EQ(text_left("abc", 0), "");
    EXPECT_EQ(text_left("abc", -1), "");
    EXPECT_EQ(text_left("abc", 10), "abc");
    EXPECT_EQ(text_right("abc", 2), "bc");
    EXPECT_EQ(text_right("abc", 10), "abc");
    EXPECT_EQ(text_right("abc", -2), "");
    EXPECT_EQ(text_mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(text_mid("abcdef", 5, 10), "ef");
    EXPECT_EQ(text_mid("abc", 0, 2), "");
    EXPECT_EQ(text_mid("abc", 4, 1), "");
    EXPECT_EQ(text_mid("abc", 1, 0), "");
    EXPECT_EQ(text_byte_length("汉a"), 3);
}

TEST(CharCodes, SignedBytesAndOneByteTexts)
{
    EXPECT_EQ(char_code_at(""), 0);
    EXPECT_LT(char_code_at("汉"), 0);
    EXPECT_EQ(char_code_at("汉"), -70);
    EXPECT_EQ(char_code_at("ab", 2), 'b');
    EXPECT_EQ(char_code_at("ab", 3), 0);
    EXPECT_EQ(char_code_at("ab", 0), 0);
    EXPECT_EQ(char_from_code(9), "\t");
    EXPECT_EQ(char_from_code(0xBA), "\xBA");
    EXPECT_EQ(char_from_code(0).size(), 1u);
}

TEST(TextCompare, OrdersUnsignedBytesAndFoldsAsciiOnly)
{
    EXPECT_EQ(text_compare("abc", "abc", true), 0);
    EXPECT_LT(text_compare("abc", "abd", true), 0);
    EXPECT_GT(text_compare("abc", "ab", true), 0);
    EXPECT_LT(text_compare("", "a", true), 0);
    EXPECT_GT(text_compare("\x80", "z", true), 0);
    EXPECT_NE(text_compare("ABC", "abc", true), 0);
    EXPECT_EQ(text_compare("ABC", "abc", false), 0);
    EXPECT_NE(text_compare("\x81\x41", "\x81\x61", false), 0);
    EXPECT_EQ(text_compare("\x81\x41Z", "\x81\x41z", false), 0);
}

} // namespace
