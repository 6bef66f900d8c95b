#include <array>
#include <stdexcept>
#include <string>

#include "common/events/timer.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/waits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

const QByteArray kTitle = "第1轮，第1题，加赛0题";

// When the piece holding the first occurrence of needle reached the client, on the client's clock;
// -1 when it never came.
qint64 arrival_of(const FakeClient& client, const QByteArray& needle, int occurrence = 1)
{
    QByteArray seen;
    for (const FakeClient::Arrival& arrival : client.arrivals()) {
        seen += arrival.bytes;
        if (seen.count(needle) >= occurrence)
            return arrival.at_ms;
    }
    return -1;
}

} // namespace

// The question boxes filled in; each case joins only the peers it listens with.
class Question : public ServerFixture
{
protected:
    // Peers besides machines 1-8: the other login rows, machine 1's hand-in link, the picture link.
    static constexpr int kDisplay = 9, kExaminer = 10, kJudge = 11, kHandIn = 12, kPicture = 13;

    void SetUp() override
    {
        ServerFixture::SetUp();
        common::set_content(window->编辑框[6], "听写题");
        common::set_content(window->编辑框[7], "蝙蝠");
    }

    // Logs the roles in, machines by number, then connects the links, in the order given.
    void join(std::initializer_list<int> peers)
    {
        static const char* const kRoles[] = {"显示", "考官", "评委"};
        static const char* const kReplies[] = {"登录|成功", "登录|考官成功", "登录|评委成功"};
        for (const int peer : peers) {
            if (peer <= protocol::kMachineCount) {
                rows[peer] = &login(QByteArray::number(peer));
            } else if (peer <= kJudge) {
                rows[peer] = &login(kRoles[peer - kDisplay], kReplies[peer - kDisplay]);
            } else if (peer == kHandIn) {
                rows[peer] = &connect_client(protocol::hand_in_port(1));
                ASSERT_TRUE(hand_in().wait_for("传输"));
                hand_in().clear_received();
            } else {
                rows[peer] = &connect_client(protocol::kScreenPort);
                ASSERT_TRUE(
                    wait_until([this] { return server::screen_client == picture().client_address().toStdString(); }));
            }
        }
    }

    void set_limit(const char* seconds) { common::set_content(window->编辑框[2], seconds); }
    void send_question() { window->按钮[2]->click(); }
    FakeClient& machine(int n) const { return row(n); }
    FakeClient& display() const { return row(kDisplay); }
    FakeClient& examiner() const { return row(kExaminer); }
    FakeClient& judge() const { return row(kJudge); }
    FakeClient& hand_in() const { return row(kHandIn); }
    FakeClient& picture() const { return row(kPicture); }

    FakeClient& row(int peer) const
    {
        if (rows[peer] == nullptr)
            throw std::logic_error("peer " + std::to_string(peer) + " did not join");
        return *rows[peer];
    }

    std::array<FakeClient*, kPicture + 1> rows{};
};

TEST_F(Question, SendGoesToEveryRowInItsTwoLayouts)
{
    join({1, 2, 3, 4, 5, 6, 7, 8, kDisplay, kExaminer, kJudge, kHandIn, kPicture});
    send_question();
    const QByteArray start = "比赛|开始|30||蝙蝠|2|400|50|";
    const QByteArray titled = "比赛|开始|30|听写题|蝙蝠|2|400|50|" + kTitle;
    for (int peer = 1; peer <= kDisplay; ++peer) {
        ASSERT_TRUE(row(peer).wait_for(start)) << peer;
        EXPECT_EQ(row(peer).received(), start) << peer;
    }
    for (int peer : {kExaminer, kJudge}) {
        ASSERT_TRUE(row(peer).wait_for(titled)) << peer;
        EXPECT_EQ(row(peer).received(), titled) << peer;
    }
    EXPECT_EQ(server::countdown, 30);
    EXPECT_EQ(common::caption(window->标签[2]), "30");
    EXPECT_EQ(window->时钟[1]->interval_ms(), 1000);
    EXPECT_EQ(gbk(common::content(window->编辑框[1])), "听写题");
    // The hand-in and picture links are not used by a send.
    settle_ms(300, "a send on the hand-in or picture link would have come");
    EXPECT_TRUE(hand_in().received().isEmpty());
    EXPECT_TRUE(picture().received().isEmpty());
}

TEST_F(Question, TheCheckBoxesChooseWhatTheMachinesSee)
{
    join({3, kJudge});
    window->选择框[6]->setChecked(true);
    window->选择框[3]->setChecked(false);
    window->选择框[1]->setChecked(false);
    send_question();
    EXPECT_TRUE(machine(3).wait_for("比赛|开始|30|听写题||2|400|50|"));
    EXPECT_EQ(machine(3).received(), "比赛|开始|30|听写题||2|400|50|");
    EXPECT_TRUE(judge().wait_for("比赛|开始|30|听写题|蝙蝠|2|400|50|" + kTitle));
    // Without automatic timing nothing ticks; the countdown waits at the full limit.
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(server::countdown, 30);
    settle_ms(1300, "a tick would come within a second");
    EXPECT_EQ(machine(3).received(), "比赛|开始|30|听写题||2|400|50|");
}

TEST_F(Question, TheAnswerIsCleanedAndTextsTravelAsTyped)
{
    join({1, kExaminer});
    // Blanks of both widths and TABs go; the line ends of the question, lone CR and LF included,
    // and every "|" stay, so the later fields move up as the receivers expect of an unescaped protocol.
    common::set_content(window->编辑框[6], "第一行\r\n第|二行\n三\r四");
    common::set_content(window->编辑框[7], "蝙 蝠\t　|号");
    window->选择框[6]->setChecked(true);
    common::set_content(window->编辑框[1], "直接输入");
    common::set_content(window->编辑框[5], "直接");
    send_question();
    EXPECT_EQ(gbk(common::content(window->编辑框[5])), "蝙蝠|号");
    EXPECT_EQ(gbk(common::content(window->编辑框[1])), "第一行\r\n第|二行\n三\r四");
    const QByteArray start = "比赛|开始|30|第一行\r\n第|二行\n三\r四|蝙蝠|号|2|400|50|";
    EXPECT_TRUE(machine(1).wait_for(start));
    EXPECT_EQ(machine(1).received(), start);
    EXPECT_TRUE(examiner().wait_for(start + kTitle));
    EXPECT_EQ(examiner().received(), start + kTitle);
}

TEST_F(Question, GridCountComesFromTheComboBox)
{
    join({1});
    window->选择框[1]->setChecked(false);
    window->组合框[3]->setCurrentIndex(3);
    send_question();
    EXPECT_EQ(gbk(common::content(window->编辑框[12])), "4");
    EXPECT_TRUE(machine(1).wait_for("比赛|开始|30||蝙蝠|4|400|50|"));

    machine(1).clear_received();
    window->组合框[3]->setCurrentIndex(-1);
    send_question();
    EXPECT_EQ(gbk(common::content(window->编辑框[12])), "0");
    EXPECT_TRUE(machine(1).wait_for("比赛|开始|30||蝙蝠|0|400|50|"));
}

TEST_F(Question, SendHidesTheMarksAndDeletesOnlyTheHandInPictures)
{
    for (const char* name : {"ht1.jpg", "ht5.jpg", "ht8.jpg", "ht9.jpg", "logo.jpg"})
        ASSERT_TRUE(folder.write_file(name, "x"));
    for (int n = 1; n <= 8; ++n)
        window->正误[n]->setVisible(true);
    window->图片框[5]->set_picture("x");
    send_question();
    for (int n = 1; n <= 8; ++n)
        EXPECT_TRUE(window->正误[n]->isHidden()) << n;
    EXPECT_EQ(folder.file_names(), QStringList({"ht9.jpg", "logo.jpg"}));
    // The tiles keep the previous question's pictures.
    EXPECT_EQ(window->图片框[5]->picture(), "x");
}

TEST_F(Question, TimeUpRunsTheWholeEndOfTheQuestion)
{
    join({1, 8, kDisplay, kExaminer, kJudge, kHandIn, kPicture});
    set_limit("2");
    QElapsedTimer clock;
    clock.start();
    send_question();
    const qint64 sent = clock.elapsed();
    ASSERT_TRUE(picture().wait_for("传输|显示", 12000));
    ASSERT_TRUE(judge().wait_for("比赛|结束|0比赛|结束|0", 2000));

    const QByteArray start = "比赛|开始|2||蝙蝠|2|400|50|";
    const QByteArray titledStart = "比赛|开始|2|听写题|蝙蝠|2|400|50|" + kTitle;
    auto tick = [](const char* n) { return "计时|" + QByteArray(n) + "|2|请按照听写内容答题|蝙蝠|2|400|50"; };
    auto titled = [](const char* n) { return "计时|" + QByteArray(n) + "|2|听写题|蝙蝠|2|400|50|" + kTitle; };
    const QByteArray end = "比赛|结束|0";
    // The time-up copy and the done tick are the same text here: the answer is shown anyway.
    const QByteArray rowsStream = start + tick("2") + tick("1") + tick("0") + titled("0") + titled("0") + end;
    EXPECT_EQ(machine(1).received(), rowsStream);
    EXPECT_EQ(machine(8).received(), rowsStream);
    EXPECT_EQ(display().received(), rowsStream);
    const QByteArray titledStream = titledStart + titled("2") + titled("1") + titled("0") + end;
    EXPECT_EQ(examiner().received(), titledStream);
    EXPECT_EQ(judge().received(), titledStream + end);
    EXPECT_EQ(hand_in().received(), "传输");
    EXPECT_EQ(picture().received(), "传输|显示");

    // Times on one clock: ticks a second apart, the hand-in request a second after the end, the
    // pictures three seconds after that. Bounds are generous; the benchmark measures precision.
    auto on_clock = [&](const FakeClient& c, const QByteArray& needle, int occurrence = 1) {
        return arrival_of(c, needle, occurrence) + (clock.elapsed() - c.elapsed_ms());
    };
    EXPECT_NEAR(on_clock(machine(1), "计时|2|") - sent, 1000, 300);
    EXPECT_NEAR(on_clock(machine(1), "计时|1|") - sent, 2000, 300);
    const qint64 ended = on_clock(machine(1), end);
    EXPECT_NEAR(ended - sent, 3000, 300);
    const qint64 transfer = on_clock(hand_in(), "传输");
    EXPECT_NEAR(transfer - ended, 1000, 300);
    EXPECT_NEAR(on_clock(picture(), "传输|显示") - transfer, 3000, 300);
    EXPECT_NEAR(on_clock(judge(), end, 2) - transfer, 3000, 300);

    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(server::countdown, 0);
    EXPECT_EQ(common::caption(window->标签[2]), "0");
    EXPECT_EQ(gbk(common::content(window->编辑框[9])), "2");
}

// A typed limit shows in the label as typed, markup included, and the ends of int count down
// without overflowing.
TEST_F(Question, TypedLimitsShowLiterallyAndTheEndsOfIntCountSafely)
{
    join({1});
    window->选择框[1]->setChecked(false);
    window->选择框[7]->setChecked(false);
    set_limit("<b>5");
    send_question();
    QLabel* label = window->标签[2];
    EXPECT_EQ(label->text(), QStringLiteral("<b>5"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(QStringLiteral("<b>5")));
    EXPECT_EQ(server::countdown, 0);

    set_limit("2147483647");
    send_question();
    window->on_countdown_tick();
    EXPECT_EQ(server::countdown, 2147483646);
    EXPECT_TRUE(machine(1).wait_for("计时|2147483647|2147483647|"));

    set_limit("-2147483648");
    send_question();
    window->on_countdown_tick();
    EXPECT_TRUE(machine(1).wait_for("计时|-2147483648|-2147483648|"));
    // Time is up at once: the question ends.
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_TRUE(machine(1).wait_for("比赛|结束|0"));
    EXPECT_EQ(server::countdown, 0);
}

TEST_F(Question, AtTimeUpTheMachinesGetTheHiddenAnswerOnceAndNoPicturesWithoutAutoSync)
{
    join({2, kJudge, kHandIn, kPicture});
    window->选择框[3]->setChecked(false);
    window->选择框[7]->setChecked(false);
    set_limit("0");
    send_question();
    ASSERT_TRUE(hand_in().wait_for("传输", 8000));
    settle_ms(500, "a doubled time-up or a picture request would have come");
    const QByteArray timeUp = "计时|0|0|听写题|蝙蝠|2|400|50|" + kTitle;
    const QByteArray done = "计时|0|0|听写题||2|400|50|" + kTitle;
    EXPECT_EQ(machine(2).received(),
              "比赛|开始|0|||2|400|50|计时|0|0|请按照听写内容答题||2|400|50" + timeUp + done + "比赛|结束|0");
    EXPECT_EQ(judge().received(), "比赛|开始|0|听写题|蝙蝠|2|400|50|" + kTitle + timeUp + "比赛|结束|0");
    EXPECT_TRUE(picture().received().isEmpty());
}

TEST_F(Question, EditsDuringTheCountdownShowInTheNextTick)
{
    join({4, kJudge});
    set_limit("20");
    send_question();
    ASSERT_TRUE(machine(4).wait_for("计时|20|", 3000));
    common::set_content(window->编辑框[1], "改过的题");
    common::set_content(window->编辑框[5], "改过");
    common::set_content(window->编辑框[9], "7");
    window->选择框[6]->setChecked(true);
    machine(4).clear_received();
    judge().clear_received();
    ASSERT_TRUE(machine(4).wait_for("计时|19|", 3000));
    window->按钮[12]->click();
    EXPECT_EQ(machine(4).received(), "计时|19|20|改过的题|改过|2|400|50");
    EXPECT_TRUE(judge().wait_for("计时|19|20|改过的题|改过|2|400|50|第1轮，第7题，加赛0题"));
}

TEST_F(Question, StopAndStartButtons)
{
    join({1});
    set_limit("5");
    send_question();
    ASSERT_TRUE(machine(1).wait_for("计时|4|", 4000));
    window->按钮[12]->click();
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(server::countdown, 3);
    machine(1).clear_received();
    settle_ms(1300, "a tick would come within a second");
    EXPECT_TRUE(machine(1).received().isEmpty());
    EXPECT_EQ(common::caption(window->标签[2]), "4");

    // No pause and resume: the start button reloads the full limit.
    window->按钮[11]->click();
    EXPECT_EQ(server::countdown, 5);
    EXPECT_TRUE(machine(1).received().isEmpty());
    ASSERT_TRUE(machine(1).wait_for("计时|5|", 2000));
    window->按钮[12]->click();
}

TEST_F(Question, StartDuringTheCountdownKeepsTheTickRhythm)
{
    join({1});
    set_limit("6");
    send_question();
    ASSERT_TRUE(machine(1).wait_for("计时|6|", 3000));
    const qint64 first = arrival_of(machine(1), "计时|6|");
    // The start button comes in the middle of a tick period.
    QElapsedTimer since_tick;
    since_tick.start();
    wait_until([&] { return since_tick.elapsed() >= 400; }, 1000);
    window->按钮[11]->click();
    ASSERT_TRUE(wait_until([this] { return machine(1).received().count("计时|6|") == 2; }, 3000));
    window->按钮[12]->click();
    // The second tick says the full limit again, one period after the first, not after the click.
    EXPECT_NEAR(arrival_of(machine(1), "计时|6|", 2) - first, 1000, 250);
}

TEST_F(Question, ASendDuringTheCountdownRestartsIt)
{
    join({1});
    set_limit("9");
    send_question();
    ASSERT_TRUE(machine(1).wait_for("计时|9|", 3000));
    window->选择框[1]->setChecked(false);
    set_limit("15");
    send_question();
    ASSERT_TRUE(machine(1).wait_for("比赛|开始|15|"));
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(server::countdown, 15);
    EXPECT_EQ(common::caption(window->标签[2]), "15");
    machine(1).clear_received();
    settle_ms(1300, "a tick would come within a second");
    EXPECT_TRUE(machine(1).received().isEmpty());
}

TEST_F(Question, ExitAllDuringTheCountdownCarriesTheSecondsLeft)
{
    join({6});
    set_limit("10");
    send_question();
    ASSERT_TRUE(machine(6).wait_for("计时|9|", 4000));
    machine(6).clear_received();
    window->按钮[5]->click();
    ASSERT_TRUE(machine(6).wait_closed());
    EXPECT_EQ(machine(6).received(), "退出|结束|8");
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
}

TEST_F(Question, ExaminerStartsTheCountdownOnlyWithTheExactText)
{
    join({1, kExaminer, kHandIn});
    window->选择框[1]->setChecked(false);
    set_limit("3");
    send_question();
    FakeClient& desk = connect_client(protocol::kExaminerPort);
    for (const QByteArray wrong : {"考官|比赛开始\r\n", "考官| 比赛开始", "考官|比赛开始考官|比赛开始"}) {
        desk.send(wrong);
        settle_ms(150, "an answer or a countdown start would have come");
    }
    EXPECT_EQ(server::examiner_client, desk.client_address().toStdString());
    EXPECT_TRUE(desk.received().isEmpty());
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_TRUE(hand_in().received().isEmpty());

    server::countdown = 0;
    desk.send("考官|比赛开始");
    ASSERT_TRUE(desk.wait_for("考官|计时开始"));
    EXPECT_EQ(desk.received(), "考官|计时开始");
    EXPECT_TRUE(hand_in().wait_for("传输"));
    EXPECT_EQ(server::countdown, 3);
    machine(1).clear_received();
    ASSERT_TRUE(machine(1).wait_for("计时|3|", 2000));
    window->按钮[12]->click();
    // The examiner's answer goes back on the examiner port only; its login row hears nothing of it.
    EXPECT_FALSE(examiner().received().contains("考官|计时开始"));
}

TEST_F(Question, ClicksDuringTheEndWaitsNestSafely)
{
    join({kJudge, kPicture});
    set_limit("0");
    window->选择框[1]->setChecked(true);
    // Inside the 3000 ms wait after time-up the operator sends the next question with a new limit:
    // the countdown restarts, and the late picture sync tells the judge the new seconds left.
    QTimer::singleShot(3500, window.get(), [this] {
        set_limit("8");
        send_question();
    });
    send_question();
    ASSERT_TRUE(picture().wait_for("传输|显示", 8000));
    ASSERT_TRUE(judge().wait_for("比赛|开始|8|", 100));
    EXPECT_TRUE(judge().received().endsWith("比赛|结束|7")) << judge().received().right(40).toStdString();
    EXPECT_EQ(window->时钟[1]->interval_ms(), 1000);
    window->按钮[12]->click();
}
