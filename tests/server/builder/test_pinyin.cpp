#include <map>
#include <set>

#include <gtest/gtest.h>

#include "server/builder/pinyin.h"
#include "server/builder/pinyin_table.h"

using common::GbkText;
using server::count_characters;
using server::lookup_pinyin_entry;
using server::pinyin_table;
using server::text_to_pinyin;

namespace {

// The table split into its entries, character -> readings (more than one if a character repeats).
std::map<GbkText, std::vector<GbkText>> table_entries(const GbkText& table)
{
    std::map<GbkText, std::vector<GbkText>> entries;
    std::size_t i = 0;
    while (i < table.size()) {
        EXPECT_GE(static_cast<unsigned char>(table[i]), 0x81) << "entry at byte " << i << " has no GBK character";
        const GbkText character = table.substr(i, 2);
        const std::size_t comma = table.find(',', i + 2);
        EXPECT_NE(comma, GbkText::npos);
        if (comma == GbkText::npos)
            break;
        entries[character].push_back(table.substr(i + 2, comma - i - 2));
        i = comma + 1;
    }
    return entries;
}

// Letters a reading may use: ASCII a-z and the GBK tone letters A8A1..A8B4, A8B6..A8B8.
bool valid_reading(const GbkText& reading)
{
    int letters = 0;
    for (std::size_t i = 0; i < reading.size(); ++letters) {
        const auto byte = static_cast<unsigned char>(reading[i]);
        if (byte >= 'a' && byte <= 'z') {
            ++i;
            continue;
        }
        if (byte != 0xA8 || i + 1 >= reading.size())
            return false;
        const auto trail = static_cast<unsigned char>(reading[i + 1]);
        if (trail < 0xA1 || trail > 0xB8 || trail == 0xB5)
            return false;
        i += 2;
    }
    return letters >= 1 && letters <= 6;
}

// The reading without tone marks: each GBK tone letter as its base letter.
GbkText plain_letters(const GbkText& reading)
{
    static const char kBase[] = "aaaaooooeeeeiiiiuuuuvvvv";
    GbkText plain;
    for (std::size_t i = 0; i < reading.size(); ++i) {
        const auto byte = static_cast<unsigned char>(reading[i]);
        if (byte == 0xA8 && i + 1 < reading.size()) {
            const int trail = static_cast<unsigned char>(reading[++i]) - 0xA1;
            plain += trail >= 0 && trail < 24 ? kBase[trail] : '?';
        } else {
            plain += reading[i];
        }
    }
    return plain;
}

} // namespace

TEST(PinyinTable, CoversGb2312WithOneWellFormedReadingEach)
{
    const GbkText& table = pinyin_table();
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table.back(), ',');
    EXPECT_EQ(table.find('\r'), GbkText::npos);
    EXPECT_EQ(table.find('\n'), GbkText::npos);

    const auto entries = table_entries(table);
    EXPECT_GE(entries.size(), 20850u);
    int gb2312 = 0;
    for (const auto& [character, readings] : entries) {
        EXPECT_EQ(readings.size(), 1u) << "several entries for one character";
        const GbkText& reading = readings.front();
        const bool jun = reading.rfind("jun", 0) == 0 && reading.size() == 4 && reading[3] >= '1' && reading[3] <= '4';
        EXPECT_TRUE(jun || valid_reading(reading)) << "bad reading " << reading;
        const auto lead = static_cast<unsigned char>(character[0]);
        const auto trail = static_cast<unsigned char>(character[1]);
        if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE)
            ++gb2312;
    }
    EXPECT_EQ(gb2312, 6763);
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            if (lead == 0xD7 && trail >= 0xFA)
                continue; // the five empty places at the end of level 1
            const GbkText character{static_cast<char>(lead), static_cast<char>(trail)};
            EXPECT_TRUE(entries.count(character)) << std::hex << lead << trail << " missing";
        }
    }
}

TEST(PinyinTable, FixedReadings)
{
    const GbkText& table = pinyin_table();
    EXPECT_EQ(table.rfind("吖ā,阿ā,啊ā,", 0), 0u);
    const std::vector<std::pair<GbkText, GbkText>> fixed = {
        {"蝙", "biān"}, {"蝠", "fú"}, {"行", "háng"}, {"长", "zhǎng"}, {"重", "zhòng"}, {"不", "bú"},
        {"为", "wéi"},  {"的", "de"}, {"厑", "ae"},   {"君", "jun1"},  {"吖", "ā"},     {"阿", "ā"}};
    for (const auto& [character, reading] : fixed)
        EXPECT_EQ(lookup_pinyin_entry(table, character, ","), reading) << reading;

    // Every character read jun writes its tone as a digit, never as a tone letter.
    int jun = 0;
    for (const auto& [character, readings] : table_entries(table)) {
        const GbkText& reading = readings.front();
        if (plain_letters(reading).rfind("jun", 0) == 0) {
            ++jun;
            EXPECT_TRUE(reading.size() == 4 && reading.rfind("jun", 0) == 0 && reading[3] >= '1' && reading[3] <= '5')
                << reading;
        }
    }
    EXPECT_GT(jun, 10);
    EXPECT_EQ(lookup_pinyin_entry(table, "军", ","), "jun1");
    EXPECT_EQ(lookup_pinyin_entry(table, "俊", ","), "jun4");
}

TEST(TextToPinyin, ReadingsFollowedByBlanks)
{
    EXPECT_EQ(text_to_pinyin("蝙蝠"), "biān fú ");
    EXPECT_EQ(text_to_pinyin("长城"), "zhǎng chéng ");
    EXPECT_EQ(text_to_pinyin("A型"), "Axíng ") << "no blank after a single-byte character";
    EXPECT_EQ(text_to_pinyin("3D打印"), "3Ddǎ yìn ");
    EXPECT_EQ(text_to_pinyin(""), "");
}

TEST(TextToPinyin, CharactersWithoutReadingStayUnchanged)
{
    // Full-width punctuation, a tone letter, and the ellipsis have no entry of their own.
    EXPECT_EQ(text_to_pinyin("春，天"), "chūn ，tiān ");
    EXPECT_EQ(text_to_pinyin("ā"), "ā");
    EXPECT_EQ(text_to_pinyin("ě"), "ě");
    EXPECT_EQ(text_to_pinyin("……"), "……");
    // A lead byte at the very end is copied as it is.
    EXPECT_EQ(text_to_pinyin("天\xB0"), "tiān \xB0");
}

TEST(LookupPinyinEntry, SearchesOnCharacterBoundaries)
{
    // "\x81\x40" is a character whose trail byte is ASCII '@': "x\x81" + "@y" must not match "\x81@".
    const GbkText table = "\xB0\xA1"
                          "a,\x81\x40"
                          "b,";
    EXPECT_EQ(lookup_pinyin_entry(table, "\x81\x40", ","), "b");
    EXPECT_EQ(lookup_pinyin_entry(table, "\xA1\x61", ","), "") << "matched across two characters";
    EXPECT_EQ(lookup_pinyin_entry("first,\xB0\xA1one,\xB0\xA1two,", "\xB0\xA1", ","), "one");
    EXPECT_EQ(lookup_pinyin_entry("\xB0\xA1tail", "\xB0\xA1", ","), "") << "no separator after the reading";
    EXPECT_EQ(lookup_pinyin_entry("", "\xB0\xA1", ","), "");
    EXPECT_EQ(lookup_pinyin_entry("\xB0\xA1x;\xB0\xA2y;", "\xB0\xA2", ";"), "y");
    // A character standing inside another entry's reading is not an entry of its own.
    EXPECT_EQ(lookup_pinyin_entry("\xB0\xA1"
                                  "b\xA8\xABi,\xA8\xAB"
                                  "e,",
                                  "\xA8\xAB", ","),
              "e");
}

TEST(CountCharacters, CountsDoubleAndSingleByteCharacters)
{
    EXPECT_EQ(count_characters(""), 0);
    EXPECT_EQ(count_characters("a"), 1);
    EXPECT_EQ(count_characters("蝙蝠"), 2);
    EXPECT_EQ(count_characters("A型"), 2);
    EXPECT_EQ(count_characters("\x81\x40\x81@"), 2) << "trail bytes below 128 belong to their character";
    EXPECT_EQ(count_characters("ab\xB0"), 2) << "a lead byte at the end adds nothing";
    EXPECT_EQ(count_characters("一二三四五六七八九"), 9);
}
