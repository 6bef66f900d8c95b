#pragma once

#include <array>
#include <cstddef>

#include "common/text/gbktext.h"

// The six word banks: each category's item in the category box, its file in the program folder and
// the layout of its lines. The fill handlers and the question builder both read banks through here.
namespace server {

// The item index of the category combo box.
enum class WordBankCategory : int
{
    Words = 0,   // "词语": word|pinyin|meaning
    Idioms = 1,  // "成语": idiom|pinyin|meaning
    Poems = 2,   // "诗词": first half|second half
    Strokes = 3, // "笔画": character|stroke names separated by "、"
    School = 4,  // "课内": word|term number
    Own = 5,     // "自备": word|any text
};

inline constexpr std::array<WordBankCategory, 6> kWordBankCategories = {
    WordBankCategory::Words,   WordBankCategory::Idioms, WordBankCategory::Poems,
    WordBankCategory::Strokes, WordBankCategory::School, WordBankCategory::Own};

// The category box's item for a category.
common::GbkText word_bank_item(WordBankCategory category);

// The category's bank: a bare file name, found in the program folder.
common::GbkText word_bank_file(WordBankCategory category);

// Field numbers of the bank lines, counted from 1 as the layouts above name them (unlike the
// 0-based fields of a message).
inline constexpr std::size_t kWordField = 1;       // every bank but poems and strokes: the answer
inline constexpr std::size_t kPinyinField = 2;     // words and idioms
inline constexpr std::size_t kMeaningField = 3;    // words and idioms
inline constexpr std::size_t kFirstHalfField = 1;  // poems
inline constexpr std::size_t kSecondHalfField = 2; // poems
inline constexpr std::size_t kCharacterField = 1;  // strokes
inline constexpr std::size_t kStrokesField = 2;    // strokes
inline constexpr std::size_t kTermField = 2;       // school words: the school term, 1 to 12

// A bank's lines, split at CR LF only: a lone LF or CR stays inside its line. A final CR LF adds no
// line; an empty line between two others stays.
common::TextList bank_lines(const common::GbkText& text);

// A bank line split at "|", GBK-aware; an empty piece after the last "|" is no field.
common::TextList bank_fields(const common::GbkText& line);

// A field by its number; a missing field reads as the empty text.
common::GbkText bank_field(const common::TextList& fields, std::size_t number);

// The stroke names of a stroke line, in writing order.
common::TextList stroke_names(const common::TextList& fields);

// The school term of a school line: the leading number of its term field, 0 when there is none
// or the line has no such field.
int school_term(const common::GbkText& line);

} // namespace server
