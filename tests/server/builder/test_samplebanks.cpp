#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "common/text/gbkcodec.h"
#include "common/text/gbktext.h"
#include "common/text/numbers.h"
#include "server/builder/pinyin.h"
#include "server/builder/questionbuilder.h"

#include <QFile>

using common::GbkText;
using server::WordBankCategory;

namespace {

GbkText file_bytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll().toStdString();
}

GbkText sample(const char* name)
{
    return file_bytes(qEnvironmentVariable("ORUVAN_SOURCE_DIR") + QStringLiteral("/examples/") +
                      QString::fromLatin1(name));
}

// The lines of a bank as the server splits them, after checking the file as an editor saves it.
common::TextList bank_lines(const char* name)
{
    const GbkText text = sample(name);
    EXPECT_FALSE(text.empty()) << name;
    EXPECT_EQ(common::from_qstring(common::to_qstring(text)), text) << name << " is not plain GBK";
    EXPECT_EQ(text.find('\0'), GbkText::npos) << name;
    EXPECT_EQ(text.find('\x1A'), GbkText::npos) << name;
    EXPECT_EQ(text.size() >= 2 ? text.substr(text.size() - 2) : text, "\r\n") << name;
    const common::TextList lines = common::split_text(text, "\r\n");
    EXPECT_GE(lines.size(), 20u) << name;
    for (const GbkText& line : lines) {
        EXPECT_FALSE(line.empty()) << name;
        EXPECT_EQ(line.find_first_of("\r\n"), GbkText::npos) << name << ": a lone line end";
    }
    return lines;
}

} // namespace

TEST(SampleBanks, WordsAndIdiomsHaveWordPinyinAndMeaning)
{
    for (const auto& [name, category] :
         {std::pair{"ciku.txt", WordBankCategory::Words}, std::pair{"cyku.txt", WordBankCategory::Idioms}}) {
        for (const GbkText& line : bank_lines(name)) {
            const common::TextList fields = common::split_text(line, "|");
            ASSERT_EQ(fields.size(), 3u) << line;
            for (const GbkText& field : fields)
                EXPECT_FALSE(field.empty()) << line;
            const auto draft = server::build_question(category, line);
            ASSERT_TRUE(draft.has_value());
            EXPECT_GE(draft->grid_index, 1) << line;
        }
    }
}

TEST(SampleBanks, PoemsAndStrokesBuildQuestions)
{
    for (const GbkText& line : bank_lines("scku.txt")) {
        const common::TextList halves = common::split_text(line, "|");
        ASSERT_EQ(halves.size(), 2u) << line;
        EXPECT_EQ(server::count_characters(halves[0]), server::count_characters(halves[1])) << line;
    }
    for (const GbkText& line : bank_lines("bhku.txt")) {
        const common::TextList fields = common::split_text(line, "|");
        ASSERT_EQ(fields.size(), 2u) << line;
        EXPECT_EQ(server::count_characters(fields[0]), 1) << line;
        for (const GbkText& stroke : common::split_text(fields[1], "、"))
            EXPECT_FALSE(stroke.empty()) << line;
        EXPECT_TRUE(server::build_question(WordBankCategory::Strokes, line).has_value()) << line;
    }
}

TEST(SampleBanks, SchoolAndOwnWordsHaveReadingsForEveryCharacter)
{
    std::set<int> terms;
    for (const GbkText& line : bank_lines("kenei.txt")) {
        const common::TextList fields = common::split_text(line, "|");
        ASSERT_EQ(fields.size(), 2u) << line;
        const int term = common::to_integer(fields[1]);
        EXPECT_TRUE(term >= 1 && term <= 12) << line;
        terms.insert(term);
    }
    EXPECT_GE(terms.size(), 6u) << "the school bank spreads over several terms";

    for (const char* name : {"kenei.txt", "diy.txt"}) {
        for (const GbkText& line : bank_lines(name)) {
            const GbkText word = common::split_text(line, "|").front();
            const GbkText pinyin = server::text_to_pinyin(word);
            // One blank per character: every character found its reading.
            EXPECT_EQ(static_cast<int>(std::count(pinyin.begin(), pinyin.end(), ' ')), server::count_characters(word))
                << line;
        }
    }
}

TEST(SampleBanks, DisplayTitle)
{
    const GbkText title = sample("config.txt");
    EXPECT_FALSE(title.empty());
    EXPECT_EQ(title.find_first_of("\r\n|"), GbkText::npos) << "the title is one field with no line end";
    EXPECT_EQ(common::from_qstring(common::to_qstring(title)), title);
}

TEST(SampleBanks, BuildPutsThemIntoTheServerFolder)
{
    // config.txt is left out: a server run in the build's folder may have rewritten the title.
    for (const char* name : {"ciku.txt", "cyku.txt", "scku.txt", "bhku.txt", "kenei.txt", "diy.txt"}) {
        const QString copy =
            qEnvironmentVariable("ORUVAN_BUILD_DIR") + QStringLiteral("/Oruvan/") + QString::fromLatin1(name);
        EXPECT_EQ(file_bytes(copy), sample(name)) << name;
    }
}
