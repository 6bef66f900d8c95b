#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "common/events/listensocket.h"
#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/flooder.h"
#include "tests/support/ports.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QPushButton>

// The judge's result port, the display's picture link and a hand-in peer of machine 7.
class Judge : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        results = &connect_client(protocol::kJudgePort);
        picture = &connect_client(protocol::kScreenPort);
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
    ASSERT_TRUE(wait_server_has_peer(protocol::kScreenPort, gone, false));
    results->send("结果|评委|正确|正确|错误|正确");
    ASSERT_TRUE(results->wait_for("结果|结束"));
    EXPECT_EQ(marks(), "vvxv");
}

TEST_F(Judge, SubmitOnThePictureLinkAsksEveryMachineForItsPicture)
{
    FakeClient& handIn = connect_client(protocol::hand_in_port(7));
    ASSERT_TRUE(handIn.wait_for("传输"));
    handIn.clear_received();
    FakeClient& other = connect_client(protocol::kScreenPort);
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
    FakeClient& newer = connect_client(protocol::kScreenPort);
    ASSERT_TRUE(wait_until([&] { return server::screen_client == newer.client_address().toStdString(); }));
    window->sync_display();
    EXPECT_TRUE(newer.wait_for("传输|显示"));
    settle_ms(100, "a copy to the older link would have come with the newer one's");
    EXPECT_TRUE(picture->received().isEmpty());

    // With the newest link gone and no judge logged in, nothing is sent and nothing fails.
    const QByteArray newest = newer.client_address();
    newer.close();
    ASSERT_TRUE(wait_server_has_peer(protocol::kScreenPort, newest, false));
    window->sync_display();
    settle_ms(100, "a send to the closed link or the absent judge would have come");
    EXPECT_TRUE(picture->received().isEmpty());
    EXPECT_TRUE(results->received().isEmpty());
}

// A display's picture link that reads 64 KiB every half second while a judge sends 60,000-byte
// results as fast as each is answered: what the link has not read stays bounded, a send past the
// bound goes nowhere (not even later), and the judge is still answered.
TEST_F(Judge, ASlowPictureLinkKeepsTheServersMemoryBounded)
{
    const int link = connect_from("127.0.0.1", protocol::kScreenPort);
    ASSERT_GE(link, 0);
    sockaddr_in own{};
    socklen_t own_size = sizeof own;
    ::getsockname(link, reinterpret_cast<sockaddr*>(&own), &own_size);
    const std::string link_address = "127.0.0.1:" + std::to_string(ntohs(own.sin_port));
    ASSERT_TRUE(wait_until([&] { return server::screen_client == link_address; }));

    // The judge on a thread of its own, so that it answers the server's answers at once.
    const int judge = connect_from("127.0.0.1", protocol::kJudgePort);
    ASSERT_GE(judge, 0);
    const timeval patience{0, 200 * 1000}; // a result read in two parts is answered only once
    ::setsockopt(judge, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::thread judging([&] {
        const QByteArray result = QByteArray("结果|评委|正确|错误|正确|错误|").leftJustified(60000, 'x');
        char answer[256];
        while (!stop) {
            for (qsizetype sent = 0; sent < result.size();) {
                const ssize_t n = ::send(judge, result.constData() + sent, result.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    return;
                sent += n;
            }
            if (::recv(judge, answer, sizeof answer, 0) > 0)
                ++answered;
        }
    });

    QByteArray read;
    const auto read_some = [&] {
        char piece[64 * 1024];
        const ssize_t n = ::recv(link, piece, sizeof piece, MSG_DONTWAIT);
        if (n > 0)
            read.append(piece, n);
        return n;
    };
    const qint64 before_kib = resident_kib();
    for (int half_seconds = 0; half_seconds < 10; ++half_seconds) {
        settle_ms(500, "the judge to send");
        read_some();
    }
    [[maybe_unused]] const qint64 growth_kib = resident_kib() - before_kib;
    const QByteArray marker = QByteArray("结果|评委|MARKER|").leftJustified(60000, 'm');
    const bool marker_sent =
        common::server_send(*window->服务器[server::ServerWindow::kScreenSlot], link_address, marker);
    stop = true;
    judging.join();
    ::close(judge);
#if !defined(__SANITIZE_ADDRESS__) // its quarantine keeps every freed read resident
    EXPECT_LT(growth_kib, 100 * 1024);
#endif
    EXPECT_FALSE(marker_sent);
    EXPECT_GT(answered, 10);
    results->send("结果|评委|正确|正确|正确|正确");
    EXPECT_TRUE(results->wait_for("结果|结束"));

    // Everything the server still holds for the link, until it has nothing more.
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 1000) {
        while (read_some() > 0)
            quiet.restart();
        settle_ms(5, "the link's bytes to come in");
    }
    EXPECT_FALSE(read.contains("MARKER"));
    ::close(link);
}
