#include <set>

#include <gtest/gtest.h>

#include "server/builder/questionbuilder.h"

using common::GbkText;
using server::build_question;
using server::grid_index_for;
using server::QuestionDraft;
using server::WordBankCategory;

namespace {

QuestionDraft built(WordBankCategory category, const GbkText& line)
{
    const auto draft = build_question(category, line);
    EXPECT_TRUE(draft.has_value()) << line;
    return draft.value_or(QuestionDraft{});
}

} // namespace

TEST(BuildQuestion, SchoolAndOwnWordsAskForThePinyin)
{
    for (const auto category : {WordBankCategory::School, WordBankCategory::Own}) {
        const QuestionDraft bat = built(category, "蝙蝠|3");
        EXPECT_EQ(bat.prompt, "【拼音】biān fú ");
        EXPECT_EQ(bat.answer, "蝙蝠");
        EXPECT_EQ(bat.grid_index, 1) << "grid \"2\"";
    }
    EXPECT_EQ(built(WordBankCategory::School, "长城|5").prompt, "【拼音】zhǎng chéng ");
    EXPECT_EQ(built(WordBankCategory::Own, "A型|血型").prompt, "【拼音】Axíng ");
    const QuestionDraft mixed = built(WordBankCategory::Own, "你好，3班|x");
    EXPECT_EQ(mixed.prompt, "【拼音】nǐ hǎo ，3bān ");
    EXPECT_EQ(mixed.grid_index, 4) << "a single-byte character counts as one";
    // Field 2 is not read for the prompt: a term of 0 or any text leaves the question alike.
    EXPECT_EQ(built(WordBankCategory::School, "长城|上册").answer, "长城");
}

TEST(BuildQuestion, WordsAndIdiomsShowPinyinAndMeaningAsWritten)
{
    const QuestionDraft word = built(WordBankCategory::Words, "美丽|měi lì |好看");
    EXPECT_EQ(word.prompt, "【拼音】měi lì \r\n【释义】好看");
    EXPECT_EQ(word.answer, "美丽");
    EXPECT_EQ(word.grid_index, 1);

    const QuestionDraft idiom = built(WordBankCategory::Idioms, "一心一意| yi xin |心思专一");
    EXPECT_EQ(idiom.prompt, "【拼音】 yi xin \r\n【释义】心思专一");
    EXPECT_EQ(idiom.grid_index, 3);

    // Missing fields read as empty texts; nothing is trimmed.
    EXPECT_EQ(built(WordBankCategory::Words, "美丽").prompt, "【拼音】\r\n【释义】");
    EXPECT_EQ(built(WordBankCategory::Words, "美丽|měi lì|").prompt, "【拼音】měi lì\r\n【释义】");
    EXPECT_EQ(built(WordBankCategory::Words, "美丽||").prompt, "【拼音】\r\n【释义】");
    EXPECT_EQ(built(WordBankCategory::Words, "　美丽|x|y").answer, "　美丽");
}

TEST(BuildQuestion, PoemsAskForEitherHalf)
{
    std::set<GbkText> prompts;
    for (int i = 0; i < 200; ++i) {
        const QuestionDraft poem = built(WordBankCategory::Poems, "床前明月光|疑是地上霜");
        if (poem.answer == "床前明月光") {
            EXPECT_EQ(poem.prompt, "请写出诗句【疑是地上霜】的上半句");
        } else {
            EXPECT_EQ(poem.answer, "疑是地上霜");
            EXPECT_EQ(poem.prompt, "请写出诗句【床前明月光】的下半句");
        }
        EXPECT_EQ(poem.grid_index, 4);
        prompts.insert(poem.prompt);
    }
    EXPECT_EQ(prompts.size(), 2u) << "both halves are asked for";
}

TEST(BuildQuestion, StrokesAskForOneStroke)
{
    const std::vector<GbkText> strokes = {"横", "竖", "撇", "点"};
    std::set<int> asked;
    for (int i = 0; i < 200; ++i) {
        const QuestionDraft draft = built(WordBankCategory::Strokes, "木|横、竖、撇、点");
        int k = 0;
        for (int n = 1; n <= 4; ++n)
            if (draft.prompt == "请写出【木】的第【" + std::to_string(n) + "】笔笔画")
                k = n;
        ASSERT_NE(k, 0) << draft.prompt;
        EXPECT_EQ(draft.answer, strokes[k - 1]);
        EXPECT_EQ(draft.grid_index, 0);
        asked.insert(k);
    }
    EXPECT_EQ(asked.size(), 4u) << "every stroke is asked for";

    const QuestionDraft long_name = built(WordBankCategory::Strokes, "九|横折弯钩");
    EXPECT_EQ(long_name.answer, "横折弯钩");
    EXPECT_EQ(long_name.prompt, "请写出【九】的第【1】笔笔画");
    EXPECT_EQ(long_name.grid_index, 0) << "one box even for a stroke name of several characters";

    // A trailing "、" adds no stroke; an empty middle member is a stroke with an empty name.
    EXPECT_EQ(built(WordBankCategory::Strokes, "一|横、").answer, "横");
    EXPECT_EQ(built(WordBankCategory::Strokes, "一|横、").grid_index, 0);
}

TEST(BuildQuestion, LinesWithoutAQuestionGiveNothing)
{
    EXPECT_FALSE(build_question(WordBankCategory::Strokes, "木|").has_value());
    EXPECT_FALSE(build_question(WordBankCategory::Strokes, "木").has_value());
    EXPECT_FALSE(build_question(WordBankCategory::Strokes, "").has_value());
    EXPECT_FALSE(build_question(static_cast<WordBankCategory>(-1), "蝙蝠|3").has_value());
    EXPECT_FALSE(build_question(static_cast<WordBankCategory>(6), "蝙蝠|3").has_value());
}

TEST(GridIndex, FollowsTheCharactersOfTheAnswer)
{
    EXPECT_EQ(grid_index_for(""), -1);
    EXPECT_EQ(grid_index_for("人"), 0);
    EXPECT_EQ(grid_index_for("一二三四五六七八"), 7);
    EXPECT_EQ(grid_index_for("一二三四五六七八九"), 7);
    EXPECT_EQ(grid_index_for("A型"), 1);
    EXPECT_EQ(built(WordBankCategory::Own, "|空").grid_index, -1);
    EXPECT_EQ(built(WordBankCategory::Poems, "|").grid_index, -1);
    EXPECT_EQ(built(WordBankCategory::Idioms, "一二三四五六七八九十|x|y").grid_index, 7);
}

TEST(OnlineLookupSteps, WordAndPrompt)
{
    EXPECT_EQ(server::lookup_word("蝙蝠|3"), "蝙蝠");
    EXPECT_EQ(server::lookup_word("木|横、竖"), "木");
    EXPECT_EQ(server::lookup_word(""), "");
    // A found pinyin replaces the prompt, even with an empty meaning; none keeps it.
    EXPECT_EQ(server::prompt_with_lookup("请写出【木】的第【1】笔笔画", "mù", "树木"), "【拼音】mù\r\n【释义】树木");
    EXPECT_EQ(server::prompt_with_lookup("old", "mù", ""), "【拼音】mù\r\n【释义】");
    EXPECT_EQ(server::prompt_with_lookup("old", "", "树木"), "old");
}
