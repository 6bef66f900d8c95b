// The handlers that wait (login, "over", done, wait, time-up) keep handling events meanwhile: a
// second arrival, on the same connection or another, is handled inside the wait, as the steps say.
// An observer connected after the window's own handler runs when that handler has returned, so
// the order of the observers' calls shows what ran nested in what.
#include <cstdio>

#include "common/events/listensocket.h"
#include "common/events/timer.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/flooder.h"
#include "tests/support/pictures.h"
#include "tests/support/waits.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTimer>

namespace {

QByteArray jpeg(QColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return encoded_picture(image, "JPG");
}

} // namespace

class Waits : public ServerFixture
{
protected:
    // Records, in order, each arrival on the port once its handler has returned.
    void observe(int port_index)
    {
        QObject::connect(window->服务器[port_index], &common::ListenSocket::dataArrived, [this, port_index] {
            finished.push_back(common::server_get_data(*window->服务器[port_index]));
        });
    }
    FakeClient& hand_in(int n)
    {
        FakeClient& client = connect_client(protocol::hand_in_port(n));
        EXPECT_TRUE(client.wait_for("传输"));
        EXPECT_TRUE(wait_until([&] { return client.received() == "传输"; }));
        client.clear_received();
        return client;
    }
    void at(int ms, std::function<void()> step) { QTimer::singleShot(ms, window.get(), std::move(step)); }
    // A logged-in machine with a countdown of seconds running, from the send button.
    FakeClient& start_countdown(const char* seconds)
    {
        FakeClient& machine = login("1");
        common::set_content(window->编辑框[2], seconds);
        window->选择框[1]->setChecked(true);
        window->按钮[2]->click();
        return machine;
    }
    // When the client's bytes first held wanted, on its clock; -1 for never.
    static qint64 arrival_of(const FakeClient& client, const QByteArray& wanted)
    {
        QByteArray so_far;
        for (const FakeClient::Arrival& arrival : client.arrivals()) {
            so_far += arrival.bytes;
            if (so_far.contains(wanted))
                return arrival.at_ms;
        }
        return -1;
    }

    std::vector<QByteArray> finished;
};

TEST_F(Waits, ASubmitAfterOverIsAnsweredInsideOversWait)
{
    ASSERT_TRUE(folder.write_file("ht2.jpg", jpeg(Qt::red)));
    FakeClient& two = hand_in(2);
    observe(2);
    bool answered_inside = false;
    QObject::connect(window->服务器[2], &common::ListenSocket::dataArrived, [&] {
        if (finished.back() == "over")
            answered_inside = two.received() == "传输";
    });
    two.send("over");
    at(300, [&] { two.send("提交"); });
    ASSERT_TRUE(wait_until([&] { return finished.size() == 2; }));
    EXPECT_EQ(finished, (std::vector<QByteArray>{"提交", "over"}));
    EXPECT_TRUE(answered_inside) << "传输 must come while over still waits, not after it";
}

TEST_F(Waits, OverSubmitOverWithinASecondAnswersAndShowsTheFileAsItIsWhenTheSecondWaitEnds)
{
    const QByteArray before = jpeg(Qt::red);
    const QByteArray after = jpeg(Qt::green);
    ASSERT_TRUE(folder.write_file("ht3.jpg", before));
    FakeClient& three = hand_in(3);
    observe(3);
    std::vector<QByteArray> shown_at_end;
    QObject::connect(window->服务器[3], &common::ListenSocket::dataArrived,
                     [&] { shown_at_end.push_back(window->图片框[3]->picture()); });
    QByteArray shown_at_1100;
    three.send("over");
    at(200, [&] { three.send("提交"); });
    at(400, [&] { three.send("over"); });
    // The first over's own second has passed, but it waits on under the second one.
    at(1100, [&] { shown_at_1100 = window->图片框[3]->picture(); });
    at(1200, [&] { folder.write_file("ht3.jpg", after); });
    ASSERT_TRUE(wait_until([&] { return finished.size() == 3; }));

    EXPECT_EQ(finished, (std::vector<QByteArray>{"提交", "over", "over"}));
    EXPECT_EQ(three.received(), "传输");
    EXPECT_EQ(shown_at_1100, resources::tile_waiting_picture());
    ASSERT_EQ(shown_at_end.size(), 3u);
    EXPECT_EQ(shown_at_end[1], after);
    EXPECT_EQ(shown_at_end[2], after);
}

TEST_F(Waits, ALoginOnTheSameConnectionInsideAMachinesLoginWaitIsAnsweredThere)
{
    FakeClient& peer = connect_client(protocol::kLoginPort);
    observe(0);
    peer.send("登录|3");
    at(30, [&] { peer.send("登录|评委"); });
    ASSERT_TRUE(wait_until([&] { return finished.size() == 2; }));
    EXPECT_EQ(finished, (std::vector<QByteArray>{"登录|评委", "登录|3"}));
    EXPECT_EQ(peer.received(), "登录|成功登录|评委成功");
    EXPECT_EQ(address_of(2), peer.client_address());
    EXPECT_EQ(address_of(10), peer.client_address());
}

TEST_F(Waits, DoneAndWaitHandleArrivalsDuringTheirSecond)
{
    for (int button : {4, 3}) {
        SCOPED_TRACE(button);
        FakeClient& machine = login("1");
        FakeClient& one = hand_in(1);
        bool login_answered_inside = false;
        bool submit_answered_inside = false;
        const auto connection = QObject::connect(window->按钮[button], &QPushButton::clicked, [&] {
            // The handler's own last 传输 is sent but not yet read here.
            submit_answered_inside = one.received() == "传输";
        });
        FakeClient* late = nullptr;
        at(200, [&] {
            late = &connect_client(protocol::kLoginPort);
            late->send("登录|5");
        });
        at(400, [&] { one.send("提交"); });
        at(700, [&] { login_answered_inside = late && late->received() == "登录|成功"; });
        window->按钮[button]->click();
        QObject::disconnect(connection);

        EXPECT_TRUE(login_answered_inside);
        // One 传输 for the submit, inside the wait, one from the handler's own last step.
        EXPECT_TRUE(submit_answered_inside) << one.received().toStdString();
        EXPECT_TRUE(wait_until([&] { return one.received() == "传输传输"; })) << one.received().toStdString();
        EXPECT_TRUE(machine.received().startsWith(button == 4 ? "计时|0|" : "比赛|等待|0"))
            << machine.received().toStdString();
        ASSERT_NE(late, nullptr);
        EXPECT_EQ(address_of(4), late->client_address());
        EXPECT_FALSE(late->received().contains("比赛")) << "logged in after the broadcast";
        one.close();
        ASSERT_TRUE(wait_until([&] { return window->图片框[1]->picture() == resources::tile_waiting_picture(); }));
    }
}

TEST_F(Waits, TheJudgeIsAnsweredInsideTheTimeUpWaitBeforeThePicturesAreShown)
{
    FakeClient& screen = connect_client(protocol::kScreenPort);
    FakeClient& judge = connect_client(protocol::kJudgePort);
    login("显示");
    common::set_content(window->编辑框[2], "0");
    window->选择框[1]->setChecked(true);
    window->选择框[7]->setChecked(true);
    bool tick_returned = false;
    QObject::connect(window->时钟[1], &common::Timer::timeout, [&] { tick_returned = true; });
    window->按钮[2]->click();
    // The one tick comes after a second: done (1 s), then the 3 s wait, then the pictures.
    at(2500, [&] { judge.send("结果|评委|正确|错误|正确|错误"); });
    qint64 acked_at = -1;
    qint64 shown_at = -1;
    ASSERT_TRUE(wait_until(
        [&] {
            if (acked_at < 0 && judge.received().contains("结果|结束"))
                acked_at = judge.elapsed_ms();
            if (shown_at < 0 && screen.received().contains("传输|显示"))
                shown_at = screen.elapsed_ms();
            return tick_returned && shown_at >= 0;
        },
        10000));
    ASSERT_GE(acked_at, 0);
    ASSERT_GE(shown_at, 0);
    EXPECT_LT(acked_at, shown_at);
    EXPECT_TRUE(window->正误[1]->isVisibleTo(window.get()));
    EXPECT_EQ(screen.received(), "结果|评委|正确|错误|正确|错误传输|显示");
}

// Peers that send waiting words faster than the waits end: the nesting stays bounded, so the
// server stays up with little memory, and other machines are answered within about a wait.
TEST_F(Waits, FloodsOfWaitingWordsNeitherEndTheServerNorStarveTheOtherMachines)
{
    FakeClient& three = hand_in(3);
    const qint64 resident_before = resident_kib();
    Flooder over(protocol::hand_in_port(1), "over");
    Flooder login_a(protocol::kLoginPort, "登录|1");
    Flooder login_b(protocol::kLoginPort, "登录|2");
    ASSERT_TRUE(over.connected() && login_a.connected() && login_b.connected());
    QElapsedTimer clock;
    clock.start();
    qint64 slowest_answer = 0;
    int answers = 0;
    while (clock.elapsed() < 10000) {
        three.clear_received();
        const qint64 asked = three.elapsed_ms();
        three.send("提交");
        ASSERT_TRUE(three.wait_for("传输", 10000)) << "unanswered after " << clock.elapsed() << " ms";
        slowest_answer = std::max(slowest_answer, three.arrivals().front().at_ms - asked);
        EXPECT_LT(slowest_answer, 3000) << "after " << clock.elapsed() << " ms";
        ++answers;
        settle_ms(200, "the next ask comes a little later");
    }
    const qint64 flooded = over.sent() + login_a.sent() + login_b.sent();
    over.stop();
    login_a.stop();
    login_b.stop();
    const qint64 grown_kib = resident_kib() - resident_before;
    std::printf("%d asks, slowest answer %lld ms, %lld bytes flooded, memory grown %lld KiB\n", answers,
                static_cast<long long>(slowest_answer), static_cast<long long>(flooded),
                static_cast<long long>(grown_kib));
    EXPECT_GT(flooded, 100000) << "the floods were real";
    EXPECT_LT(grown_kib, 100 * 1024);
    EXPECT_GE(answers, 3);
    login("5");
}

// A machine hands in just before time-up, so the ending's waits run inside its wait: the next
// question, started by the examiner meanwhile, is answered and counts down at once.
TEST_F(Waits, AHandInJustBeforeTimeUpLeavesTheNextQuestionRunning)
{
    FakeClient& one = hand_in(1);
    FakeClient& examiner = connect_client(protocol::kExaminerPort);
    FakeClient& machine = start_countdown("1"); // time-up at 2 s
    at(1700, [&] { one.send("over"); });
    at(2500, [&] { common::set_content(window->编辑框[2], "30"); });
    qint64 asked = -1;
    qint64 asked_on_machine = -1;
    at(3500, [&] {
        asked = examiner.elapsed_ms();
        asked_on_machine = machine.elapsed_ms();
        examiner.send("考官|比赛开始");
    });
    ASSERT_TRUE(examiner.wait_for("考官|计时开始", 8000));
    EXPECT_LT(arrival_of(examiner, "考官|计时开始") - asked, 500);
    ASSERT_TRUE(machine.wait_for("计时|28|", 8000));
    for (const QByteArray tick : {"计时|30|", "计时|29|", "计时|28|"})
        EXPECT_LT(arrival_of(machine, tick) - asked_on_machine, 3500) << tick.toStdString();
}

// The operator opens the title box while a machine's hand-in waits and leaves it open: the
// countdown goes on reaching the machines meanwhile.
TEST_F(Waits, TheTitleBoxOpenDuringAHandInWaitLeavesTheCountdownTicking)
{
    FakeClient& one = hand_in(1);
    FakeClient& machine = start_countdown("30");
    dialogs.answer_input_box(std::nullopt);
    dialogs.stay_open_ms(4000);
    at(500, [&] { one.send("over"); });
    qint64 opened = -1;
    qint64 closed = -1;
    at(600, [&] {
        opened = machine.elapsed_ms();
        window->按钮[9]->click();
        closed = machine.elapsed_ms();
    });
    ASSERT_TRUE(wait_until([&] { return closed >= 0; }, 8000));
    const auto ticks = std::count_if(machine.arrivals().begin(), machine.arrivals().end(), [&](const auto& arrival) {
        return arrival.bytes.startsWith("计时|") && arrival.at_ms >= opened && arrival.at_ms <= closed;
    });
    EXPECT_GE(ticks, 3) << "while the box stood open " << closed - opened << " ms";
}
