#include "common/events/timer.h"
#include "common/text/gbkcodec.h"
#include "common/widgets/controls.h"
#include "protocol/ports.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/waits.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

// Machines 1 and 8, the display, examiner and judge logged in; machine 2's hand-in link.
class Rounds : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        first = &login("1");
        last = &login("8");
        display = &login("显示");
        examiner = &login("考官", "登录|考官成功");
        judge = &login("评委", "登录|评委成功");
        handIn = &connect_client(protocol::hand_in_port(2));
        ASSERT_TRUE(handIn->wait_for("传输"));
        handIn->clear_received();
        common::set_content(window->编辑框[1], "听写题");
        common::set_content(window->编辑框[5], "蝙蝠");
    }

    QByteArray box(int n) const { return gbk(common::content(window->编辑框[n])); }
    void clear_all()
    {
        for (FakeClient* client : {first, last, display, examiner, judge, handIn})
            client->clear_received();
    }

    FakeClient* first = nullptr;
    FakeClient* last = nullptr;
    FakeClient* display = nullptr;
    FakeClient* examiner = nullptr;
    FakeClient* judge = nullptr;
    FakeClient* handIn = nullptr;
};

TEST_F(Rounds, AllDoneEndsTheQuestionForEveryRowAndAsksForHandIn)
{
    common::set_content(window->编辑框[9], "3");
    server::countdown = 12;
    window->时钟[1]->set_interval_ms(1000);
    common::set_caption(window->标签[2], "12");
    window->按钮[4]->click();

    const QByteArray done = "计时|0|30|听写题|蝙蝠|2|400|50|第1轮，第3题，加赛0题";
    for (FakeClient* client : {first, last, display})
        EXPECT_EQ(client->received(), done + "比赛|结束|0");
    for (FakeClient* client : {examiner, judge})
        EXPECT_EQ(client->received(), "比赛|结束|0");
    ASSERT_TRUE(handIn->wait_for("传输"));
    EXPECT_EQ(handIn->received(), "传输");
    // The request for pictures comes a second after the question end.
    auto ms_ago = [](const FakeClient& c, const FakeClient::Arrival& a) { return c.elapsed_ms() - a.at_ms; };
    EXPECT_GE(ms_ago(*first, first->arrivals().back()) - ms_ago(*handIn, handIn->arrivals().front()), 950);
    EXPECT_EQ(box(9), "4");
    EXPECT_EQ(server::countdown, 0);
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(common::caption(window->标签[2]), "12");
}

TEST_F(Rounds, DoneTickHidesTheAnswerWhenItIsNotShown)
{
    window->选择框[3]->setChecked(false);
    window->on_all_done();
    EXPECT_EQ(display->received(), "计时|0|30|听写题||2|400|50|第1轮，第1题，加赛0题比赛|结束|0");
}

TEST_F(Rounds, CounterStepsReadTheLeadingNumber)
{
    const std::vector<std::pair<const char*, const char*>> steps = {
        {"3", "4"}, {"7.9", "8"}, {"abc", "1"}, {"", "1"}, {"-2", "-1"}};
    for (const auto& [before, after] : steps) {
        common::set_content(window->编辑框[9], before);
        window->on_all_done();
        EXPECT_EQ(box(9), after) << before;
    }
    EXPECT_EQ(box(11), "1");
}

TEST_F(Rounds, ExtraQuestionModeMovesTheExtraCounterAndTitlesByIt)
{
    window->选择框[8]->setChecked(true);
    common::set_content(window->编辑框[8], "2");
    common::set_content(window->编辑框[9], "5");
    common::set_content(window->编辑框[10], "3");
    window->on_all_done();
    EXPECT_EQ(box(11), "2");
    EXPECT_EQ(box(9), "5");
    EXPECT_TRUE(first->received().startsWith("计时|0|30|听写题|蝙蝠|2|400|50|第2轮，加赛3题的第1题比赛|结束|0"));
}

TEST_F(Rounds, AllWaitTellsTheMachinesOnly)
{
    server::countdown = 9;
    window->时钟[1]->set_interval_ms(1000);
    common::set_content(window->编辑框[9], "6");
    window->按钮[3]->click();
    ASSERT_TRUE(handIn->wait_for("传输"));
    EXPECT_EQ(first->received(), "比赛|等待|0");
    EXPECT_EQ(last->received(), "比赛|等待|0");
    EXPECT_EQ(handIn->received(), "传输");
    settle_ms(100, "a copy to the other roles would have come with these");
    for (FakeClient* client : {display, examiner, judge})
        EXPECT_TRUE(client->received().isEmpty());
    EXPECT_EQ(server::countdown, 0);
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(box(9), "6");
}

TEST_F(Rounds, NextRoundResetsTheCountersAndSendsNothing)
{
    common::set_content(window->编辑框[8], "2");
    common::set_content(window->编辑框[9], "7");
    common::set_content(window->编辑框[10], "4");
    common::set_content(window->编辑框[11], "3");
    window->选择框[8]->setChecked(true);
    window->按钮[14]->click();
    EXPECT_EQ(box(8), "3");
    EXPECT_EQ(box(9), "1");
    EXPECT_EQ(box(10), "0");
    EXPECT_EQ(box(11), "1");
    EXPECT_FALSE(window->选择框[8]->isChecked());
    settle_ms(300, "a send to any peer would have come");
    for (FakeClient* client : {first, last, display, examiner, judge, handIn})
        EXPECT_TRUE(client->received().isEmpty());
}

TEST_F(Rounds, DisplayWaitCarriesTheTitleFile)
{
    window->时钟[1]->set_interval_ms(1000);
    common::set_caption(window->标签[2], "17");
    window->按钮[8]->click();
    ASSERT_TRUE(display->wait_for("等待||50"));
    EXPECT_FALSE(folder.exists("config.txt"));
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(common::caption(window->标签[2]), "17");

    // Read up to the first Ctrl-Z; line ends and "|" travel inside the title.
    ASSERT_TRUE(folder.write_file("config.txt", "汉字听写\r\n大赛|决赛\x1A后面"));
    common::set_content(window->编辑框[3], "72");
    display->clear_received();
    window->按钮[8]->click();
    ASSERT_TRUE(display->wait_for("72"));
    EXPECT_EQ(display->received(), "等待|汉字听写\r\n大赛|决赛|72");
    settle_ms(100, "a copy to the other roles would have come with the display's");
    for (FakeClient* client : {first, last, examiner, judge})
        EXPECT_TRUE(client->received().isEmpty());
}

TEST_F(Rounds, SetTitleStoresTheTypedTextAndSendsIt)
{
    ASSERT_TRUE(folder.write_file("config.txt", "旧标题"));
    dialogs.answer_input_box(common::GbkText("新的标题"));
    window->按钮[9]->click();
    ASSERT_EQ(dialogs.input_boxes.size(), 1u);
    EXPECT_EQ(dialogs.input_boxes[0].prompt, "");
    EXPECT_EQ(dialogs.input_boxes[0].title, "请输入显示端需要显示的内容");
    EXPECT_EQ(dialogs.input_boxes[0].initial, "旧标题");
    EXPECT_EQ(folder.read_file("config.txt"), "新的标题");
    EXPECT_TRUE(display->wait_for("等待|新的标题|50"));
}

TEST_F(Rounds, SetTitleCancelledRewritesTheFileWithWhatWasRead)
{
    // Without a file, Cancel creates it empty.
    dialogs.answer_input_box(std::nullopt);
    window->按钮[9]->click();
    EXPECT_TRUE(folder.exists("config.txt"));
    EXPECT_EQ(folder.read_file("config.txt"), "");
    EXPECT_TRUE(display->wait_for("等待||50"));

    ASSERT_TRUE(folder.write_file("config.txt", QByteArray("标题\0尾巴", 10)));
    display->clear_received();
    dialogs.answer_input_box(std::nullopt);
    window->按钮[9]->click();
    EXPECT_EQ(folder.read_file("config.txt"), "标题");
    EXPECT_TRUE(display->wait_for("等待|标题|50"));
}

TEST_F(Rounds, SetBackgroundCopiesThePictureByteForByte)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, '\x07') + QByteArray(1, '\0');
    const QString source = elsewhere.filePath(common::to_qstring("背景.png"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(png);
    }
    ASSERT_TRUE(folder.write_file("logo.jpg", "old"));
    ASSERT_TRUE(folder.write_file("config.txt", "标题"));
    dialogs.answer_file_dialog(common::from_qstring(source));
    window->按钮[10]->click();
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].filter, "请选择图片*.jpg;*.png;*.gif;*.bmp|*.jpg;*.png;*.gif;*.bmp");
    EXPECT_TRUE(dialogs.file_dialogs[0].file_must_exist);
    EXPECT_EQ(folder.read_file("logo.jpg"), png);
    EXPECT_TRUE(display->wait_for("等待|标题|50"));
}

TEST_F(Rounds, SetBackgroundCancelledChangesAndSendsNothing)
{
    ASSERT_TRUE(folder.write_file("logo.jpg", "old"));
    window->时钟[1]->set_interval_ms(1000);
    dialogs.answer_file_dialog(std::nullopt);
    window->按钮[10]->click();
    EXPECT_EQ(folder.read_file("logo.jpg"), "old");
    EXPECT_EQ(window->时钟[1]->interval_ms(), 1000);
    settle_ms(300, "the display's logo message would have come");
    EXPECT_TRUE(display->received().isEmpty());
    window->时钟[1]->set_interval_ms(0);
}

TEST_F(Rounds, SyncTimersRepeatOnlyWhileTheirBoxIsTicked)
{
    FakeClient& picture = connect_client(protocol::kScreenPort);
    ASSERT_TRUE(wait_until([&] { return server::screen_client == picture.client_address().toStdString(); }));
    // Shorter periods than the real 10 s, on the real timers and bindings.
    window->时钟[2]->set_interval_ms(200);
    window->时钟[3]->set_interval_ms(200);
    settle_ms(500, "two periods of the unticked timers pass");
    EXPECT_TRUE(handIn->received().isEmpty());
    EXPECT_TRUE(picture.received().isEmpty());
    EXPECT_TRUE(judge->received().isEmpty());

    window->选择框[2]->setChecked(true);
    window->选择框[5]->setChecked(true);
    server::countdown = 4;
    EXPECT_TRUE(handIn->wait_for("传输传输", 2000));
    EXPECT_TRUE(picture.wait_for("传输|显示传输|显示", 2000));
    EXPECT_TRUE(judge->wait_for("比赛|结束|4比赛|结束|4", 2000));

    window->选择框[2]->setChecked(false);
    window->选择框[5]->setChecked(false);
    settle_ms(100, "a period already running out delivers its last sends");
    handIn->clear_received();
    picture.clear_received();
    settle_ms(600, "three periods of the unticked timers pass");
    EXPECT_TRUE(handIn->received().isEmpty());
    EXPECT_TRUE(picture.received().isEmpty());
}
