#include <gtest/gtest.h>

#include "server/builder/questionbuilder.h"

using server::build_question;
using server::WordBankCategory;

// The generator is never seeded: every run of the server makes the same choices. A one-stroke
// character takes no value from it, so the first poem after it still gets the run's first draw.
TEST(FirstDraw, OneStrokeTakesNoDrawAndTheFirstPoemAsksForTheSecondHalf)
{
    const auto stroke = build_question(WordBankCategory::Strokes, "一|横");
    ASSERT_TRUE(stroke.has_value());
    EXPECT_EQ(stroke->prompt, "请写出【一】的第【1】笔笔画");
    EXPECT_EQ(stroke->answer, "横");

    const auto poem = build_question(WordBankCategory::Poems, "白日依山尽|黄河入海流");
    ASSERT_TRUE(poem.has_value());
    EXPECT_EQ(poem->prompt, "请写出诗句【白日依山尽】的下半句");
    EXPECT_EQ(poem->answer, "黄河入海流");
}
