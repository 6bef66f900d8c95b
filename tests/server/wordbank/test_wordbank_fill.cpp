#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "common/text/files.h"
#include "common/widgets/controls.h"
#include "tests/server/wordbank/wordbankfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QListWidget>

using Items = std::vector<QByteArray>;

namespace {

// Root opens read-only files for writing all the same; without this capability the permission
// bits bind it as they bind the operator's account.
class WithoutFileOverride final
{
public:
    WithoutFileOverride()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_changed = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutFileOverride()
    {
        if (m_changed)
            syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

} // namespace

class WordBankFill : public WordBankFixture
{
};

TEST_F(WordBankFill, LinesEndOnlyAtCrLf)
{
    const std::vector<std::pair<QByteArray, Items>> cases = {
        {"美丽|měi lì|好看\r\n大海|dà hǎi|海洋\r\n", {"美丽|měi lì|好看", "大海|dà hǎi|海洋"}},
        {"美丽|měi lì|好看\r\n大海|dà hǎi|海洋", {"美丽|měi lì|好看", "大海|dà hǎi|海洋"}},
        {"美丽|a|b\r\n\r\n大海|c|d", {"美丽|a|b", "", "大海|c|d"}},
        {"美丽|a|b\r\n大海|c|d\r\n\r\n", {"美丽|a|b", "大海|c|d", ""}},
        {"美丽|a|b\n大海|c|d\n", {"美丽|a|b\n大海|c|d\n"}},
        {"美丽|a|b\r大海|c|d", {"美丽|a|b\r大海|c|d"}},
        {"美丽|a|b\r\n大海|c|d\x1A\r\n天空|e|f\r\n", {"美丽|a|b", "大海|c|d"}},
        {QByteArray("美丽|a|b\r\n大海") + QByteArray(1, '\0') + "|c|d\r\n天空|e|f", {"美丽|a|b", "大海"}},
        {"", {}},
        {"\r\n", {""}},
        // Blanks and full-width blanks stay as they are.
        {" 美丽 |a|b\r\n　大海　|c|d", {" 美丽 |a|b", "　大海　|c|d"}},
    };
    for (const auto& [bytes, expected] : cases) {
        write_bank("ciku.txt", bytes);
        pick_category(1); // the shown item picked again reads nothing, so another one first
        pick_category(0);
        EXPECT_EQ(items(), expected) << bytes.toStdString();
    }
}

TEST_F(WordBankFill, EachCategoryReadsItsFileAndSetsTheTwoBoxes)
{
    const char* const files[] = {"ciku.txt", "cyku.txt", "scku.txt", "bhku.txt", "kenei.txt", "diy.txt"};
    for (int category = 0; category < 6; ++category)
        write_bank(files[category], QByteArray("行") + QByteArray::number(category) + "|x|y\r\n");

    // Each category also after every other one, so no box keeps a state it should lose.
    for (int previous = 0; previous < 6; ++previous) {
        for (int category = 0; category < 6; ++category) {
            if (category == previous)
                continue; // picking the shown item again changes nothing
            pick_category(previous);
            window->选择框[4]->setChecked(previous < 4); // the operator's own choice, overridden
            pick_category(category);
            const std::string which = "category " + std::to_string(category);
            EXPECT_EQ(items(), Items{QByteArray("行") + QByteArray::number(category) + "|x|y"}) << which;
            EXPECT_EQ(window->组合框[2]->isEnabled(), category == 4) << which;
            EXPECT_EQ(window->选择框[4]->isChecked(), category >= 4) << which;
        }
    }
}

TEST_F(WordBankFill, UnreadableBanksListNothingButStillSetTheBoxes)
{
    window->列表框1->addItem(QStringLiteral("旧的一行"));

    // Missing.
    pick_category(4);
    EXPECT_TRUE(items().empty());
    EXPECT_TRUE(window->组合框[2]->isEnabled());
    EXPECT_TRUE(window->选择框[4]->isChecked());

    // Read-only.
    write_bank("diy.txt", "自己|的\r\n");
    QFile::setPermissions(folder.file_path("diy.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    {
        const WithoutFileOverride bound_by_permissions;
        pick_category(5);
    }
    EXPECT_TRUE(items().empty());
    EXPECT_FALSE(window->组合框[2]->isEnabled());
    EXPECT_TRUE(window->选择框[4]->isChecked());

    // Held exclusively by another opener; readable again once it lets go.
    write_bank("ciku.txt", "美丽|a|b\r\n");
    const int held = common::open_file("ciku.txt", 1, 4);
    ASSERT_NE(held, 0);
    pick_category(0);
    EXPECT_TRUE(items().empty());
    EXPECT_FALSE(window->选择框[4]->isChecked());
    common::close_file(held);
    pick_category(1);
    pick_category(0);
    EXPECT_EQ(items(), Items{"美丽|a|b"});

    // Every pick of another item reads the file afresh.
    write_bank("ciku.txt", "大海|c|d\r\n天空|e|f\r\n");
    pick_category(1);
    pick_category(0);
    EXPECT_EQ(items(), (Items{"大海|c|d", "天空|e|f"}));
}

TEST_F(WordBankFill, TermsFilterTheSchoolBankByTheLeadingNumberOfField2)
{
    write_bank("kenei.txt", "蝙蝠|5\r\n"
                            "长城|05\r\n"
                            "黄河|5 \r\n"
                            "大海|五\r\n"
                            "天空|15\r\n"
                            "小草\r\n"
                            "\r\n"
                            "春天|5|多余\r\n"
                            "秋天|3\r\n"
                            "树叶|0\r\n"
                            "白云|5年级\r\n");
    pick_category(4);
    EXPECT_EQ(items().size(), 11u);

    pick_term(4); // "三年级上册"
    EXPECT_EQ(items(), (Items{"蝙蝠|5", "长城|05", "黄河|5 ", "春天|5|多余", "白云|5年级"}));
    pick_term(2);
    EXPECT_EQ(items(), Items{"秋天|3"});
    pick_term(11);
    EXPECT_TRUE(items().empty());
    pick_term(0);
    EXPECT_TRUE(items().empty()) << "lines without a term number belong to no term";

    // The filter reads kenei.txt whatever category is shown; the term box keeps its selection.
    write_bank("ciku.txt", "美丽|a|b\r\n");
    pick_category(0);
    EXPECT_FALSE(window->组合框[2]->isEnabled());
    EXPECT_EQ(window->组合框[2]->currentIndex(), 0);
    window->组合框[2]->setCurrentIndex(2);
    emit window->组合框[2]->activated(2);
    EXPECT_EQ(items(), Items{"秋天|3"});

    // Lines without a number, empty ones included, stand beside the term-1 line unharmed.
    write_bank("kenei.txt", "小草\r\n\r\n树叶|一\r\n天空|1\r\n");
    pick_category(4);
    pick_term(0);
    EXPECT_EQ(items(), Items{"天空|1"});
}

// Clicking the item a box already shows picks nothing: the bank is not read again and the online
// tick keeps what the operator set.
TEST_F(WordBankFill, ChoosingTheShownItemAgainChangesNothing)
{
    write_bank("kenei.txt", "蝙蝠|5\r\n秋天|3\r\n");
    choose_from_list(window->组合框[1], 4);
    EXPECT_EQ(items(), (Items{"蝙蝠|5", "秋天|3"}));
    EXPECT_TRUE(window->选择框[4]->isChecked());
    choose_from_list(window->组合框[2], 4);
    EXPECT_EQ(items(), Items{"蝙蝠|5"});

    window->选择框[4]->setChecked(false);
    write_bank("kenei.txt", "换了|3\r\n");
    choose_from_list(window->组合框[1], 4);
    EXPECT_EQ(items(), Items{"蝙蝠|5"});
    EXPECT_FALSE(window->选择框[4]->isChecked());
    choose_from_list(window->组合框[2], 4);
    EXPECT_EQ(items(), Items{"蝙蝠|5"});

    choose_from_list(window->组合框[2], 2);
    EXPECT_EQ(items(), Items{"换了|3"});
}

TEST_F(WordBankFill, FillingPicksNoWord)
{
    write_bank("ciku.txt", "美丽|měi lì|好看\r\n大海|dà hǎi|海洋\r\n");
    write_bank("cyku.txt", "一心一意|yī xīn yī yì|专心\r\n");
    const QByteArray start_prompt = prompt();
    const QByteArray start_answer = answer();

    pick_category(0);
    EXPECT_EQ(window->列表框1->currentRow(), -1);
    EXPECT_EQ(prompt(), start_prompt);
    EXPECT_EQ(answer(), start_answer);

    // Clearing a list with a current item changes its current row: still no pick.
    pick_word(1);
    EXPECT_EQ(answer(), "大海");
    common::set_content(window->编辑框[6], "手改的题目");
    pick_category(1);
    EXPECT_EQ(window->列表框1->currentRow(), -1);
    EXPECT_EQ(prompt(), "手改的题目");
    EXPECT_EQ(answer(), "大海");

    // The first item is picked by the operator's first click on it.
    pick_word(0);
    EXPECT_EQ(answer(), "一心一意");
    EXPECT_EQ(prompt(), "【拼音】yī xīn yī yì\r\n【释义】专心");
}

TEST_F(WordBankFill, EventsAreHandledWhileTheListFills)
{
    constexpr int kLines = 50000;
    QByteArray bank;
    for (int n = 1; n <= kLines; ++n)
        bank += "词" + QByteArray::number(n) + "|a|b\r\n";
    write_bank("ciku.txt", bank);
    write_bank("cyku.txt", "成1|a|b\r\n成2|a|b\r\n");

    // A second pick queued before the fill runs inside it: it clears and fills the list, and the
    // interrupted fill goes on appending its own remaining lines.
    int listed_before = -1;
    QMetaObject::invokeMethod(
        window.get(),
        [this, &listed_before] {
            listed_before = window->列表框1->count();
            pick_category(1);
        },
        Qt::QueuedConnection);
    pick_category(0);

    ASSERT_GT(listed_before, 0);
    ASSERT_LT(listed_before, kLines) << "no events were handled before the fill ended";
    const Items listed = items();
    ASSERT_EQ(listed.size(), static_cast<std::size_t>(2 + kLines - listed_before));
    EXPECT_EQ(listed[0], "成1|a|b");
    EXPECT_EQ(listed[1], "成2|a|b");
    EXPECT_EQ(listed[2], "词" + QByteArray::number(listed_before + 1) + "|a|b");
    EXPECT_EQ(listed.back(), "词" + QByteArray::number(kLines) + "|a|b");
}
