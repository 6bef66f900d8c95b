#include "common/widgets/picturebox.h"
#include "resources/builtin.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/waits.h"

#include <QPushButton>

// The judge's result port, the display's picture link and a hand-in peer of machine 7.
class Judge : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        results = &connect_client(19741);
        picture = &connect_client(19739);
        ASSERT_TRUE(wait_until([&] { return server::screen_client == picture->client_address().toStdString(); }));
    }

    // Marks 1-4: 'v' tick, 'x' cross, '-' hidden.
    std::string marks() const
    {
        std::string shown;
        for (int k = 1; k <= 4; ++k) {
            const common::PictureBox* mark = window->正误[k];
            if (mark->isHidden())
                shown += '-';
            else if (mark->picture() == resources::tick_picture())
                shown += 'v';
            else if (mark->picture() == resources::cross_picture())
                shown += 'x';
            else
                shown += '?';
        }
        return shown;
    }

    FakeClient* results = nullptr;
    FakeClient* picture = nullptr;
};

TEST_F(Judge, VerdictsMarkTheFirstFourTilesAndTravelOnUnchanged)
{
    const QByteArray result = "结果|评委|正确|错误|正确|对";
    results->send(result);
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(results->received(), "结果|结束");
    ASSERT_TRUE(picture->wait_for(result));
    EXPECT_EQ(picture->received(), result);
    EXPECT_EQ(marks(), "vxvx");
    for (int k = 5; k <= 8; ++k)
        EXPECT_TRUE(window->正误[k]->isHidden()) << k;

    // A later result sets all four again; extra fields and bytes after a zero byte are forwarded.
    const char raw[] = "结果|评委|错误|正确|正确|正确|正确|错误|x|y\0tail";
    const QByteArray longer(raw, sizeof raw - 1);
    results->clear_received();
    picture->clear_received();
    results->send(longer);
    ASSERT_TRUE(results->wait_for("结果|结束"));
    ASSERT_TRUE(picture->wait_for("tail"));
    EXPECT_EQ(picture->received(), longer);
    EXPECT_EQ(marks(), "xvvv");
}

TEST_F(Judge, OnlyTheExactWordIsRight)
{
    results->send("结果|评委|正确 |正确\r\n||正确");
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(marks(), "xxxv");
}

TEST_F(Judge, AShortResultCountsItsMissingVerdictsAsWrong)
{
    results->send("结果|评委|正确");
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(marks(), "vxxx");
    EXPECT_TRUE(picture->wait_for("结果|评委|正确"));

    results->clear_received();
    results->send("结果|评委|");
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(marks(), "xxxx");
    EXPECT_TRUE(results->is_connected());
}

TEST_F(Judge, UnrecognisedMessagesChangeNothing)
{
    for (const QByteArray& message :
         {QByteArray("结果"), QByteArray("结果|考官|正确|正确|正确|正确"), QByteArray("评委|结果|正确"),
          QByteArray(" 结果|评委|正确"), QByteArray("\0结果|评委|正确", 15)}) {
        results->send(message);
        settle_ms(150, "an answer or a forward would have come");
    }
    EXPECT_TRUE(results->received().isEmpty());
    EXPECT_TRUE(picture->received().isEmpty());
    EXPECT_EQ(marks(), "----");
}

TEST_F(Judge, WithoutADisplayTheMarksAndTheAnswerStillCome)
{
    const QByteArray gone = picture->client_address();
    picture->close();
    ASSERT_TRUE(wait_server_has_peer(19739, gone, false));
    results->send("结果|评委|正确|正确|错误|正确");
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(marks(), "vvxv");
}

TEST_F(Judge, SubmitOnThePictureLinkAsksEveryMachineForItsPicture)
{
    FakeClient& handIn = connect_client(19737);
    ASSERT_TRUE(handIn.wait_for("传输"));
    handIn.clear_received();
    FakeClient& other = connect_client(19739);
    other.send("提交\n");
    ASSERT_TRUE(wait_until([&] { return server::screen_client == other.client_address().toStdString(); }));
    settle_ms(100, "a transfer sent for the near-miss would have come");
    EXPECT_TRUE(handIn.received().isEmpty());
    EXPECT_EQ(server::screen_client, other.client_address().toStdString());

    picture->send("提交");
    ASSERT_TRUE(handIn.wait_for("传输"));
    EXPECT_EQ(server::screen_client, picture->client_address().toStdString());
    EXPECT_TRUE(picture->received().isEmpty());
}

TEST_F(Judge, SyncDisplayTellsTheDisplayAndTheJudgeTheSecondsLeft)
{
    FakeClient& judge = login("评委", "登录|评委成功");
    server::countdown = 12;
    window->按钮[7]->click();
    EXPECT_TRUE(picture->wait_for("传输|显示"));
    EXPECT_TRUE(judge.wait_for("比赛|结束|12"));
    settle_ms(100, "a second copy would have come with the first");
    EXPECT_EQ(picture->received(), "传输|显示");
    EXPECT_EQ(judge.received(), "比赛|结束|12");
    EXPECT_TRUE(results->received().isEmpty());
}

TEST_F(Judge, SyncDisplayFollowsTheLatestPictureLink)
{
    FakeClient& newer = connect_client(19739);
    ASSERT_TRUE(wait_until([&] { return server::screen_client == newer.client_address().toStdString(); }));
    window->sync_display();
    EXPECT_TRUE(newer.wait_for("传输|显示"));
    settle_ms(100, "a copy to the older link would have come with the newer one's");
    EXPECT_TRUE(picture->received().isEmpty());

    // With the newest link gone and no judge logged in, nothing is sent and nothing fails.
    const QByteArray newest = newer.client_address();
    newer.close();
    ASSERT_TRUE(wait_server_has_peer(19739, newest, false));
    window->sync_display();
    settle_ms(100, "a send to the closed link or the absent judge would have come");
    EXPECT_TRUE(picture->received().isEmpty());
    EXPECT_TRUE(results->received().isEmpty());
}
