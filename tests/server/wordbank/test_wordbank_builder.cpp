#include <algorithm>

#include "common/widgets/controls.h"
#include "protocol/ports.h"
#include "server/builder/onlinedictionary.h"
#include "tests/server/wordbank/wordbankfixture.h"
#include "tests/support/ports.h"
#include "tests/support/waits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class WordPick : public WordBankFixture
{
protected:
    // Loads a bank by its category and switches the online lookup off, as the operator may.
    void load(int category, const QByteArray& bank)
    {
        const char* const files[] = {"ciku.txt", "cyku.txt", "scku.txt", "bhku.txt", "kenei.txt", "diy.txt"};
        write_bank(files[category], bank);
        // The shown category picked again reads nothing: another one first.
        if (window->组合框[1]->currentIndex() == category)
            pick_category((category + 1) % 6);
        pick_category(category);
        window->选择框[4]->setChecked(false);
    }
};

TEST_F(WordPick, PinyinLettersAndSelfMadeCharactersReachThePeersByteForByte)
{
    // ǹ (A8 BF), ḿ (A8 BC) and a character of the user-defined area (AA A1).
    const QByteArray lines[] = {"嗯|\xA8\xBFg|表示答应", "呣|\xA8\xBC|自造\xAA\xA1"};
    load(0, lines[0] + "\r\n" + lines[1] + "\r\n");
    EXPECT_EQ(items(), (std::vector<QByteArray>{lines[0], lines[1]}));
    pick_word(1);
    EXPECT_EQ(prompt(), "【拼音】\xA8\xBC\r\n【释义】自造\xAA\xA1");

    FakeClient& machine = login("1");
    FakeClient& examiner = login("考官", "登录|考官成功");
    pick_word(0);
    window->选择框[6]->setChecked(true);
    window->按钮[2]->click();
    const QByteArray start = "比赛|开始|30|【拼音】\xA8\xBFg\r\n【释义】表示答应|嗯|1|400|50|";
    ASSERT_TRUE(machine.wait_for(start));
    EXPECT_EQ(machine.received(), start);
    ASSERT_TRUE(examiner.wait_for(start + "第1轮，第1题，加赛0题"));
    EXPECT_EQ(examiner.received(), start + "第1轮，第1题，加赛0题");
}

TEST_F(WordPick, TheGridFollowsTheAnswersCharacters)
{
    load(5, "一|a\r\n一二三四五六七八|b\r\n一二三四五六七八九|c\r\n|d\r\nab|e\r\n");
    const std::vector<QByteArray> grids = {"1", "8", "8", "", "2"};
    for (int row = 0; row < 5; ++row) {
        pick_word(row);
        EXPECT_EQ(grid(), grids[row]) << "row " << row;
    }
}

TEST_F(WordPick, AdoptCopiesWhatTheBoxesHoldNow)
{
    load(4, "蝙蝠|3\r\n");
    pick_word(0);
    common::set_content(window->编辑框[6], "【拼音】biān fú\r\n【提示】会飞");
    common::set_content(window->编辑框[7], "蝙蝠们");
    window->按钮[13]->click();
    EXPECT_EQ(gbk(common::content(window->编辑框[1])), "【拼音】biān fú\r\n【提示】会飞");
    EXPECT_EQ(gbk(common::content(window->编辑框[5])), "蝙蝠们");
}

TEST_F(WordPick, APickThatAsksNothingChangesNothing)
{
    // Stroke lines without any stroke leave the prepared question as it was.
    load(3, "木|横\r\n木|\r\n木\r\n");
    pick_word(0);
    pick_word(1);
    pick_word(2);
    EXPECT_EQ(prompt(), "请写出【木】的第【1】笔笔画");
    EXPECT_EQ(answer(), "横");
    EXPECT_EQ(grid(), "1");

    // So does a pick with no category or no item.
    window->组合框[1]->setCurrentIndex(-1);
    pick_word(0);
    window->on_word_picked(); // current row, but no category
    window->列表框1->setCurrentRow(-1);
    window->on_word_picked();
    EXPECT_EQ(prompt(), "请写出【木】的第【1】笔笔画");
    EXPECT_EQ(answer(), "横");
    EXPECT_EQ(grid(), "1");
}

// The online completion against a local stand-in for the two dictionary sites.
class OnlineCompletion : public WordPick
{
protected:
    void SetUp() override
    {
        WordPick::SetUp();
        const QString script =
            qEnvironmentVariable("ORUVAN_SOURCE_DIR") + "/tests/server/wordbank/dictionary_server.py";
        m_server.start("/usr/bin/python3", {script});
        ASSERT_TRUE(m_server.waitForReadyRead(10000)) << "the dictionary server did not report its port";
        const std::string base = "http://127.0.0.1:" + m_server.readLine().trimmed().toStdString();
        ask_sites({base + "/first", base + "/second"});
    }
    void TearDown() override
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
        WordPick::TearDown();
    }

    // A window that asks these sites, shown as the operator has it.
    void ask_sites(const server::DictionarySites& sites)
    {
        make_window(sites);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // A window that asks two sites that take the request and never answer.
    void ask_silent_sites()
    {
        ASSERT_TRUE(m_silent.listening());
        const std::string silent = "http://127.0.0.1:" + std::to_string(m_silent.port());
        ask_sites({silent, silent});
    }

    // Loads the bank with the lookup left on, as loading 课内 and 自备 leaves it.
    void load_ticked(int category, const QByteArray& bank)
    {
        load(category, bank);
        window->选择框[4]->setChecked(true);
    }

private:
    QProcess m_server;
    SilentListener m_silent;
};

TEST_F(OnlineCompletion, AFoundPinyinReplacesThePromptButNeverTheAnswer)
{
    load_ticked(4, "蝙蝠|3\r\n行走|1\r\n黄河|2\r\n长城|5\r\n大海|4\r\n");
    const std::vector<std::pair<QByteArray, QByteArray>> shown = {
        {"【拼音】biān fú\r\n【释义】哺乳动物，翼手目", "蝙蝠"},
        {"【拼音】xíng zǒu\r\n【释义】走路", "行走"},
        {"【拼音】huáng hé\r\n【释义】", "黄河"},
        // No pinyin on the first site: both results come from the second.
        {"【拼音】cháng chéng\r\n【释义】古代的军事防御工程", "长城"},
        // Neither site knows the word: the table's pinyin stays.
        {"【拼音】dà hǎi ", "大海"},
    };
    for (int row = 0; row < static_cast<int>(shown.size()); ++row) {
        pick_word(row);
        EXPECT_EQ(prompt(), shown[row].first) << "row " << row;
        EXPECT_EQ(answer(), shown[row].second) << "row " << row;
    }
    EXPECT_EQ(grid(), "2");
}

// A lookup that finds nothing leaves the prompt to a word picked while it waited.
TEST_F(OnlineCompletion, APickDuringAFruitlessLookupKeepsItsPrompt)
{
    load_ticked(4, "远方|1\r\n蝙蝠|3\r\n");
    QTimer::singleShot(300, window.get(), [this] { window->列表框1->setCurrentRow(1); });
    window->列表框1->setCurrentRow(0);
    EXPECT_EQ(prompt(), "【拼音】biān fú\r\n【释义】哺乳动物，翼手目");
    EXPECT_EQ(answer(), "蝙蝠");
}

TEST_F(OnlineCompletion, RunsForEveryCategoryWhenTicked)
{
    load_ticked(3, "木|横、竖、撇、点\r\n");
    pick_word(0);
    EXPECT_EQ(prompt(), "【拼音】mù\r\n【释义】树木");
    EXPECT_NE(answer(), "木");
    EXPECT_EQ(grid(), "1");

    load(3, "木|横、竖、撇、点\r\n");
    pick_word(0);
    EXPECT_EQ(prompt().left(12), "请写出【木】");
}

TEST_F(OnlineCompletion, UnreachableSitesLeaveTheTablePromptSilently)
{
    const std::string closed = "http://127.0.0.1:" + std::to_string(closed_loopback_port());
    ask_sites({closed, closed});
    load_ticked(4, "蝙蝠|3\r\n");
    pick_word(0);
    EXPECT_EQ(prompt(), "【拼音】biān fú ");
    EXPECT_EQ(answer(), "蝙蝠");
    EXPECT_EQ(grid(), "2");
    // ScriptedDialogs fails the test on any message box.
}

TEST_F(OnlineCompletion, SilentSitesAreGivenUpAfterTheirTimeOut)
{
    ask_silent_sites();

    load_ticked(5, "长城|x\r\n");
    QElapsedTimer clock;
    clock.start();
    pick_word(0);
    // Two requests of 5 seconds each; far less than the routine's default of 30 each.
    EXPECT_LT(clock.elapsed(), 40000);
    EXPECT_GE(clock.elapsed(), 4000);
    EXPECT_EQ(prompt(), "【拼音】zhǎng chéng ");
}

// A word picked while a machine's hand-in waits, the sites silent: the lookup's polls keep the
// countdown reaching the machines.
TEST_F(OnlineCompletion, ALookupDuringAHandInWaitLeavesTheCountdownTicking)
{
    ask_silent_sites();
    load_ticked(5, "长城|x\r\n");
    FakeClient& machine = login("1");
    FakeClient& one = connect_client(protocol::hand_in_port(1));
    common::set_content(window->编辑框[2], "30");
    window->选择框[1]->setChecked(true);
    window->按钮[2]->click();
    qint64 picked = -1;
    qint64 found = -1;
    QTimer::singleShot(300, window.get(), [&] {
        picked = machine.elapsed_ms();
        pick_word(0);
        found = machine.elapsed_ms();
    });
    one.send("over");
    ASSERT_TRUE(wait_until([&] { return found >= 0; }, 30000));
    ASSERT_GE(found - picked, 4000) << "the lookup waited for the silent sites";
    qint64 last = picked;
    qint64 longest_gap = 0;
    for (const FakeClient::Arrival& arrival : machine.arrivals()) {
        if (!arrival.bytes.startsWith("计时|") || arrival.at_ms < picked || arrival.at_ms > found)
            continue;
        longest_gap = std::max(longest_gap, arrival.at_ms - last);
        last = arrival.at_ms;
    }
    longest_gap = std::max(longest_gap, found - last);
    EXPECT_LE(longest_gap, 2000) << "during a lookup of " << found - picked << " ms";
}
