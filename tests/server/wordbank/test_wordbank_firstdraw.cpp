#include "tests/server/wordbank/wordbankfixture.h"

#include <QCheckBox>

// The generator is never seeded, so every run of the server makes the same choices: its first
// values are 41 and 18467. A one-stroke character takes none of them.
class FirstDraws : public WordBankFixture
{
};

TEST_F(FirstDraws, AFreshRunDrawsTheSameChoices)
{
    write_bank("bhku.txt", "一|横\r\n木|横、竖、撇、点\r\n");
    write_bank("scku.txt", "白日依山尽|黄河入海流\r\n");

    pick_category(3);
    pick_word(0);
    EXPECT_EQ(prompt(), "请写出【一】的第【1】笔笔画");
    EXPECT_EQ(answer(), "横");

    // 41: the second half.
    pick_category(2);
    pick_word(0);
    EXPECT_EQ(prompt(), "请写出诗句【白日依山尽】的下半句");
    EXPECT_EQ(answer(), "黄河入海流");

    // 18467: stroke 1 + 18467 % 4 = 4; had the one-stroke pick drawn, this would be stroke 3.
    pick_category(3);
    pick_word(1);
    EXPECT_EQ(prompt(), "请写出【木】的第【4】笔笔画");
    EXPECT_EQ(answer(), "点");
}
