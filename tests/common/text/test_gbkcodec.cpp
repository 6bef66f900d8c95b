#include <gtest/gtest.h>

#include "common/text/gbkcodec.h"

using namespace common;

namespace {

TEST(GbkCodec, RoundTripsChineseAndAscii)
{
    const GbkText gbk = "用户1|密码　ok";
    const QString text = to_qstring(gbk);
    EXPECT_EQ(text, QStringLiteral("用户1|密码　ok"));
    EXPECT_EQ(from_qstring(text), gbk);
    EXPECT_EQ(to_qstring("plain"), QStringLiteral("plain"));
    EXPECT_EQ(from_qstring(QStringLiteral("plain")), "plain");
    EXPECT_EQ(to_qstring(""), QString());
    EXPECT_EQ(from_qstring(QString()), "");
    EXPECT_EQ(to_qstring("\xA3\xB1"), QStringLiteral("１"));
}

TEST(GbkCodec, BadBytesBecomeReplacementsWithoutLosingTheRest)
{
    // A lead byte before a byte that cannot trail, a lone 0xFF and a lead byte cut off at the end.
    EXPECT_EQ(to_qstring("a\xBA"
                         "0b"),
              QStringLiteral("a\uFFFD"
                             "0b"));
    EXPECT_EQ(to_qstring("\xFFx"), QStringLiteral("\uFFFDx"));
    EXPECT_EQ(from_qstring(to_qstring("\xFF\xB0\xA1")), "?\xB0\xA1");
    EXPECT_EQ(to_qstring("\xBA\x7C"), QStringLiteral("\u7C17"));
    EXPECT_EQ(to_qstring("x\xBA"), QStringLiteral("x\uFFFD"));
    EXPECT_EQ(to_qstring(GbkText("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
}

TEST(GbkCodec, CharactersGbkLacksBecomeQuestionMarks)
{
    EXPECT_EQ(from_qstring(QStringLiteral("a\U0001F600b")), "a?b");
    EXPECT_EQ(from_qstring(QStringLiteral("\u0E01汉")), "?汉");
    const QChar lone_surrogate(char16_t{0xD800});
    EXPECT_EQ(from_qstring(QString(lone_surrogate) + QStringLiteral("汉")), "?汉");
    EXPECT_EQ(from_qstring(QStringLiteral("汉") + lone_surrogate), "汉?");
}

} // namespace
