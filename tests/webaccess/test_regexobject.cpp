#include <gtest/gtest.h>

#include "webaccess/regexobject.h"

using namespace webaccess;

namespace {

const char* const kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

TEST(RegexObject, AFreshObjectAnswersEmpty)
{
    RegexObject regex;
    int position = 99;
    EXPECT_EQ(regex.pattern_text(), "");
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.match_text(1, &position), "");
    EXPECT_EQ(position, -2);
    EXPECT_EQ(regex.submatch_text(1, 1), "");
    EXPECT_EQ(regex.submatch_count(), 0);
    EXPECT_EQ(regex.replace("x"), "");
}

TEST(RegexObject, ARefusedPatternAnswersFalseAndEveryQueryEmpty)
{
    RegexObject regex;
    EXPECT_FALSE(regex.create("a(b", "ab"));
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.submatch_text(1, 1), "");
    EXPECT_EQ(regex.submatch_count(), 0);
    EXPECT_EQ(regex.replace("x"), "");
    // The refused pattern is still the one the object holds.
    EXPECT_EQ(regex.pattern_text(), "a(b");
}

TEST(RegexObject, NoMatchIsStillASuccessfulRun)
{
    RegexObject regex;
    int position = 99;
    EXPECT_TRUE(regex.create("z+", "abc"));
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.match_text(1, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(regex.replace("x"), "abc");
}

TEST(RegexObject, FindsTheDeclaredCharsetWithItsDefaults)
{
    RegexObject regex;
    const GbkText page = "<html>\n<head>\n<META http-equiv=\"Content-Type\" content=\"text/html; "
                         "charset=UTF-8\">\n<title>汉字</title>";
    ASSERT_TRUE(regex.create(kCharsetPattern, page));
    EXPECT_EQ(regex.submatch_text(1, 1), "UTF-8");
    EXPECT_EQ(regex.submatch_count(), 1);

    // A quote between "charset=" and the name, and the tag across lines ("." crosses line ends).
    ASSERT_TRUE(regex.create(kCharsetPattern, "<meta\ncharset=\"gb2312\">"));
    EXPECT_EQ(regex.submatch_text(1, 1), "gb2312");

    ASSERT_TRUE(regex.create(kCharsetPattern, "<p>charset=utf-8</p>"));
    EXPECT_EQ(regex.submatch_text(1, 1), "");
}

TEST(RegexObject, OptionsChangeCaseLinesAndRepetition)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("ab", "AB ab", true));
    EXPECT_EQ(regex.match_count(), 1);
    ASSERT_TRUE(regex.create("ab", "AB ab"));
    EXPECT_EQ(regex.match_count(), 2);
    ASSERT_TRUE(regex.create("ab", "AB ab", false, true, false));
    EXPECT_EQ(regex.match_count(), 1);
    EXPECT_EQ(regex.match_text(1), "AB");

    ASSERT_TRUE(regex.create("^x", "x\nx"));
    EXPECT_EQ(regex.match_count(), 2);
    ASSERT_TRUE(regex.create("^x", "x\nx", false, false));
    EXPECT_EQ(regex.match_count(), 1);
    // "." matches a line end whatever the options.
    ASSERT_TRUE(regex.create("a.b", "a\nb", false, false));
    EXPECT_EQ(regex.match_count(), 1);
}

TEST(RegexObject, QuotePlaceholdersOnlyWhenAsked)
{
    RegexObject regex;
    const GbkText subject = "title=\"听写\" x=#引号";
    ASSERT_TRUE(regex.create("title=#引号([^#引号]+)#引号", subject, false, true, true, true));
    EXPECT_EQ(regex.pattern_text(), "title=\"([^\"]+)\"");
    EXPECT_EQ(regex.submatch_text(1, 1), "听写");

    ASSERT_TRUE(regex.create("x=#引号", subject));
    EXPECT_EQ(regex.pattern_text(), "x=#引号");
    EXPECT_EQ(regex.match_text(1), "x=#引号");
}

TEST(RegexObject, PositionsAreByteOffsetsIntoTheGbkSubject)
{
    RegexObject regex;
    // UTF-16 offsets of the three "a" are 2, 4 and 7; byte offsets 4, 7 and 12.
    const GbkText subject = "汉汉a汉a汉汉a";
    ASSERT_TRUE(regex.create("a", subject));
    ASSERT_EQ(regex.match_count(), 3);
    int position = 0;
    EXPECT_EQ(regex.match_text(2, &position), "a");
    EXPECT_EQ(position, 7);
    EXPECT_EQ(regex.match_text(3, &position), "a");
    EXPECT_EQ(position, 12);

    ASSERT_TRUE(regex.create("(\\d+)-(\\d+)", "第12-12页"));
    EXPECT_EQ(regex.submatch_text(1, 2, &position), "12");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(regex.submatch_text(1, 1, &position), "12");
    EXPECT_EQ(position, 2);

    ASSERT_TRUE(regex.create("字+", "汉字字字a"));
    EXPECT_EQ(regex.match_text(1, &position), "字字字");
    EXPECT_EQ(position, 2);
}

TEST(RegexObject, IndicesOutsideTheMatchesGiveEmptyTexts)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("(a)(b)?", "xa"));
    int position = 99;
    EXPECT_EQ(regex.match_text(0, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(regex.match_text(2, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(regex.submatch_text(1, 3), "");
    EXPECT_EQ(regex.submatch_text(1, 0), "");
    // A group that took no part in the match reads as the empty text.
    EXPECT_EQ(regex.submatch_text(1, 2, &position), "");
    EXPECT_EQ(position, 1);

    ASSERT_TRUE(regex.create("a", ""));
    EXPECT_EQ(regex.match_text(1, &position), "");
    EXPECT_EQ(position, -2);
}

TEST(RegexObject, ASecondCreateReplacesTheFirst)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("(a)(b)", "ab ab ab"));
    EXPECT_EQ(regex.match_count(), 3);
    ASSERT_TRUE(regex.create("c", "c c"));
    EXPECT_EQ(regex.pattern_text(), "c");
    EXPECT_EQ(regex.match_count(), 2);
    EXPECT_EQ(regex.submatch_count(), 0);
    EXPECT_EQ(regex.replace("d"), "d d");
}

TEST(RegexObject, SubmatchCountIsThatOfTheFirstMatch)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("(\\w)(\\w)?", "ab c"));
    ASSERT_EQ(regex.match_count(), 2);
    EXPECT_EQ(regex.submatch_text(2, 1), "c");
    EXPECT_EQ(regex.submatch_count(), 2);
}

TEST(RegexObject, ReplaceExpandsGroupsAndKeepsTheRest)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("(\\d+)年", "2023年到2024年"));
    EXPECT_EQ(regex.replace("[$1]"), "[2023]到[2024]");
    EXPECT_EQ(regex.replace(), "到");
    EXPECT_EQ(regex.replace("$&$&"), "2023年2023年到2024年2024年");
    EXPECT_EQ(regex.replace("$$1 $9 \\1"), "$1 $9 \\1到$1 $9 \\1");
    ASSERT_TRUE(regex.create("b", "abc"));
    EXPECT_EQ(regex.replace("<$`|$'>"), "a<a|c>c");
    ASSERT_TRUE(regex.create("x*", "ab"));
    EXPECT_EQ(regex.replace("-"), "-a-b-");
    ASSERT_TRUE(regex.create("a", "aaa", false, true, false));
    EXPECT_EQ(regex.replace("b"), "baa");
}

TEST(RegexObject, CopiesShareTheLastRunUntilOneCreatesAgain)
{
    RegexObject regex;
    ASSERT_TRUE(regex.create("a", "aa"));
    RegexObject copy(regex);
    EXPECT_EQ(copy.match_count(), 2);
    ASSERT_TRUE(copy.create("b", "bbb"));
    EXPECT_EQ(copy.match_count(), 3);
    EXPECT_EQ(regex.match_count(), 2);
    regex = copy;
    EXPECT_EQ(regex.pattern_text(), "b");
}

} // namespace
