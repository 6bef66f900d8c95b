#include "server/builder/questionbuilder.h"

#include <algorithm>

#include "common/text/numbers.h"
#include "server/builder/pinyin.h"

namespace server {

using common::GbkText;

namespace {

constexpr int kLastGridIndex = 7; // the item "8"

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
    const common::TextList fields = bank_fields(line);

    switch (category) {
    case WordBankCategory::Words:
    case WordBankCategory::Idioms: {
        const GbkText word = bank_field(fields, kWordField);
        return answered(word, "【拼音】" + bank_field(fields, kPinyinField) + "\r\n【释义】" +
                                  bank_field(fields, kMeaningField));
    }
    case WordBankCategory::Poems: {
        const GbkText first = bank_field(fields, kFirstHalfField);
        const GbkText second = bank_field(fields, kSecondHalfField);
        if (common::random_integer(0, 1) == 0)
            return answered(first, "请写出诗句【" + second + "】的上半句");
        return answered(second, "请写出诗句【" + first + "】的下半句");
    }
    case WordBankCategory::Strokes: {
        const common::TextList strokes = stroke_names(fields);
        if (strokes.empty())
            return std::nullopt;
        const int count = static_cast<int>(strokes.size());
        // One stroke leaves nothing to choose: no value is taken from the generator.
        const int k = count == 1 ? 1 : common::random_integer(1, count);
        const GbkText character = bank_field(fields, kCharacterField);
        QuestionDraft draft{"请写出【" + character + "】的第【" + common::to_text(k) + "】笔笔画", strokes[k - 1]};
        draft.grid_index = 0;
        return draft;
    }
    case WordBankCategory::School:
    case WordBankCategory::Own: {
        const GbkText word = bank_field(fields, kWordField);
        return answered(word, "【拼音】" + text_to_pinyin(word));
    }
    }
    return std::nullopt;
}

GbkText lookup_word(const GbkText& line)
{
    return bank_field(bank_fields(line), kWordField);
}

GbkText prompt_with_lookup(const GbkText& prompt, const GbkText& pinyin, const GbkText& meaning)
{
    if (pinyin.empty())
        return prompt;
    return "【拼音】" + pinyin + "\r\n" + "【释义】" + meaning;
}

} // namespace server
