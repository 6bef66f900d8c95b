#include "server/builder/wordbanks.h"

#include "common/text/numbers.h"

namespace server {

namespace {

struct WordBank
{
    const char* item;
    const char* file;
};

// In the order of the category box's items.
constexpr std::array<WordBank, kWordBankCategories.size()> kWordBanks = {{
    {"词语", "ciku.txt"},
    {"成语", "cyku.txt"},
    {"诗词", "scku.txt"},
    {"笔画", "bhku.txt"},
    {"课内", "kenei.txt"},
    {"自备", "diy.txt"},
}};

const WordBank& bank_of(WordBankCategory category)
{
    return kWordBanks[static_cast<std::size_t>(category)];
}

} // namespace

common::GbkText word_bank_item(WordBankCategory category)
{
    return bank_of(category).item;
}

common::GbkText word_bank_file(WordBankCategory category)
{
    return bank_of(category).file;
}

common::TextList bank_lines(const common::GbkText& text)
{
    return common::split_text(text, "\r\n");
}

common::TextList bank_fields(const common::GbkText& line)
{
    return common::split_text(line, "|");
}

common::GbkText bank_field(const common::TextList& fields, std::size_t number)
{
    return number >= 1 && number <= fields.size() ? fields[number - 1] : common::GbkText{};
}

common::TextList stroke_names(const common::TextList& fields)
{
    return common::split_text(bank_field(fields, kStrokesField), "、");
}

int school_term(const common::GbkText& line)
{
    return common::to_integer(bank_field(bank_fields(line), kTermField));
}

} // namespace server
