#include "server/builder/questionbuilder.h"

#include <algorithm>

#include "common/text/numbers.h"
#include "server/builder/pinyin.h"

namespace server {

using common::GbkText;

namespace {

constexpr int kLastGridIndex = 7; // the item "8"

// A bank line's field by its number, counted from 1 as the bank layouts name them (unlike the
// 0-based protocol::field_at); a missing field reads as the empty text.
GbkText bank_field(const common::TextList& fields, std::size_t number)
{
    return number <= fields.size() ? fields[number - 1] : GbkText{};
}

QuestionDraft answered(GbkText answer, GbkText prompt)
{
    QuestionDraft draft{std::move(prompt), std::move(answer)};
    draft.grid_index = grid_index_for(draft.answer);
    return draft;
}

} // namespace

int grid_index_for(const GbkText& answer)
{
    return std::min(count_characters(answer) - 1, kLastGridIndex);
}

std::optional<QuestionDraft> build_question(WordBankCategory category, const GbkText& line)
{
    const common::TextList fields = common::split_text(line, "|");
    const GbkText first = bank_field(fields, 1);
    const GbkText second = bank_field(fields, 2);

    switch (category) {
    case WordBankCategory::Words:
    case WordBankCategory::Idioms:
        return answered(first, "【拼音】" + second + "\r\n【释义】" + bank_field(fields, 3));
    case WordBankCategory::Poems:
        if (common::random_integer(0, 1) == 0)
            return answered(first, "请写出诗句【" + second + "】的上半句");
        return answered(second, "请写出诗句【" + first + "】的下半句");
    case WordBankCategory::Strokes: {
        const common::TextList strokes = common::split_text(second, "、");
        if (strokes.empty())
            return std::nullopt;
        const int count = static_cast<int>(strokes.size());
        // One stroke leaves nothing to choose: no value is taken from the generator.
        const int k = count == 1 ? 1 : common::random_integer(1, count);
        QuestionDraft draft{"请写出【" + first + "】的第【" + common::to_text(k) + "】笔笔画", strokes[k - 1]};
        draft.grid_index = 0;
        return draft;
    }
    case WordBankCategory::School:
    case WordBankCategory::Own:
        return answered(first, "【拼音】" + text_to_pinyin(first));
    }
    return std::nullopt;
}

GbkText lookup_word(const GbkText& line)
{
    return bank_field(common::split_text(line, "|"), 1);
}

GbkText prompt_with_lookup(const GbkText& prompt, const GbkText& pinyin, const GbkText& meaning)
{
    if (pinyin.empty())
        return prompt;
    return "【拼音】" + pinyin + "\r\n" + "【释义】" + meaning;
}

} // namespace server
