#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "common/events/timer.h"
#include "display/globals.h"
#include "protocol/ports.h"
#include "tests/display/display_harness.h"
#include "tests/support/cannotrun.h"
#include "tests/support/lanhost.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

// Real 5-second timers against stand-in server ports: the whole life of both links in one run.
TEST(DisplayLinks, LogInEveryFiveSecondsUntilAnswered)
{
    DisplayHarness h;
    ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "127.0.0.1"));
    FakeServerPort control(protocol::kLoginPort);
    FakeServerPort photo(protocol::kScreenPort);
    ASSERT_TRUE(control.listening() && photo.listening());
    h.start();

    // First login 5 s after start, then a fresh connection and login every 5 s.
    ASSERT_TRUE(control.wait_for_peers(1, 8000));
    EXPECT_GE(control.peers()[0].connected_ms, 4500);
    EXPECT_LE(control.peers()[0].connected_ms, 7000);
    ASSERT_TRUE(control.wait_for_peers(2, 8000));
    const qint64 gap = control.peers()[1].connected_ms - control.peers()[0].connected_ms;
    EXPECT_GE(gap, 4500);
    EXPECT_LE(gap, 6000);
    ASSERT_TRUE(wait_until([&] { return control.peers()[1].received == "登录|显示"; }));
    EXPECT_EQ(control.peers()[0].received, "登录|显示");
    ASSERT_TRUE(wait_until([&] { return control.peers()[0].socket->state() == QAbstractSocket::UnconnectedState; }))
        << "the older connection is dropped when a new one is made";
    ASSERT_GE(photo.count(), 1);
    EXPECT_GE(photo.peers()[0].connected_ms, 4500);

    // The server answers: no more logins. A stranger's message on the picture link holds that link.
    ASSERT_TRUE(control.send_to_newest("登录|成功"));
    ASSERT_TRUE(wait_until([&] { return h.window->时钟[2]->interval_ms() == 0; }));
    ASSERT_TRUE(photo.send_to_newest("hello"));
    ASSERT_TRUE(wait_until([&] { return h.window->时钟[1]->interval_ms() == 0; }));
    const qsizetype photo_links = photo.count();
    settle_ms(11000, "two periods of the stopped timers pass without a new link");
    EXPECT_EQ(control.count(), 2);
    EXPECT_EQ(photo.count(), photo_links);
    EXPECT_EQ(control.peers()[1].socket->state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(photo.peers().back().socket->state(), QAbstractSocket::ConnectedState);

    // The server closes both links: each is made again 5 s later.
    control.close_newest();
    photo.close_newest();
    const qint64 closed_at = control.elapsed_ms();
    ASSERT_TRUE(control.wait_for_peers(3, 8000));
    EXPECT_GE(control.peers()[2].connected_ms - closed_at, 4500);
    EXPECT_LE(control.peers()[2].connected_ms - closed_at, 6500);
    ASSERT_TRUE(wait_until([&] { return control.peers()[2].received == "登录|显示"; }));
    ASSERT_TRUE(photo.wait_for_peers(photo_links + 1, 8000));
    EXPECT_GE(photo.peers().back().connected_ms - closed_at, 4500);

    // The picture link is never written to.
    for (const FakeServerPort::Peer& peer : photo.peers())
        EXPECT_TRUE(peer.received.isEmpty());
}

TEST(DisplayLinks, PictureLinkIsRemadeEveryFiveSeconds)
{
    DisplayHarness h;
    ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "127.0.0.1"));
    FakeServerPort photo(protocol::kScreenPort);
    h.start();
    ASSERT_TRUE(photo.wait_for_peers(3, 17000));
    for (int i = 1; i < 3; ++i) {
        const qint64 gap = photo.peers()[i].connected_ms - photo.peers()[i - 1].connected_ms;
        EXPECT_GE(gap, 4500);
        EXPECT_LE(gap, 6000);
    }
    // "传输" with another word is ignored and the cycle goes on.
    ASSERT_TRUE(photo.send_to_newest("传输|其他"));
    ASSERT_TRUE(photo.wait_for_peers(4, 8000));
    EXPECT_EQ(h.window->时钟[1]->interval_ms(), 5000);
    for (const FakeServerPort::Peer& peer : photo.peers())
        EXPECT_TRUE(peer.received.isEmpty());
}

TEST(DisplayLinks, WithoutIpTxtNothingConnectsAndTheTimersKeepTicking)
{
    DisplayHarness h;
    FakeServerPort control(protocol::kLoginPort);
    FakeServerPort photo(protocol::kScreenPort);
    h.start();
    ASSERT_EQ(display::server_address, "");
    QSignalSpy login_ticks(h.window->时钟[2], &common::Timer::timeout);
    QSignalSpy photo_ticks(h.window->时钟[1], &common::Timer::timeout);
    settle_ms(11000, "two periods of both timers pass, each try finding no address");
    EXPECT_EQ(login_ticks.count(), 2);
    EXPECT_EQ(photo_ticks.count(), 2);
    EXPECT_EQ(control.count(), 0);
    EXPECT_EQ(photo.count(), 0);

    // An address set through the icon is used from the next tick on.
    h.dialogs.answer_input_box(common::GbkText("127.0.0.1"));
    h.window->on_set_server_icon(0, 0, 0);
    EXPECT_TRUE(control.wait_for_peers(1, 6000));
    EXPECT_TRUE(photo.wait_for_peers(1, 6000));
}

// A stand-in contest server on the login port that answers the display's login and says so.
QProcess& start_login_answerer(LanHost& host)
{
    return host.run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-u"), QStringLiteral("-c"), QStringLiteral(R"(
import select, socket, sys
listener = socket.create_server(("0.0.0.0", int(sys.argv[1])), reuse_port=True)
print("listening")
links = []
while True:
    for s in select.select([listener] + links, [], [])[0]:
        if s is listener:
            links.append(listener.accept()[0])
            continue
        data = s.recv(4096)
        if not data:
            links.remove(s)
        elif b"\xb5\xc7\xc2\xbc|\xcf\xd4\xca\xbe" in data:
            s.sendall(b"\xb5\xc7\xc2\xbc|\xb3\xc9\xb9\xa6")
            print("login")
)"),
                                                         QString::number(protocol::kLoginPort)});
}

// The server's PC loses power: no FIN, no reset ever comes. The display notices the dead link by
// itself and logs in to the server that starts in its place at the same address: the README's
// "about 15 seconds" to notice, then the next try of the 5 s relink timer, and 5 s of margin.
TEST(DisplayLinks, ALinkThatDiedInSilenceIsNoticedAndTheNewServerLoggedInTo)
{
    auto first = std::make_unique<LanHost>(QStringLiteral("lan0"), QStringLiteral("10.77.0.1/24"),
                                           QStringLiteral("10.77.0.2/24"));
    if (!first->failure().isEmpty())
        SKIP_OR_FAIL_UNDER_CI(first->failure().toStdString());
    QProcess& old_server = start_login_answerer(*first);
    ASSERT_TRUE(old_server.waitForReadyRead(5000));
    DisplayHarness h;
    ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "10.77.0.2"));
    h.start();
    h.window->on_login_timer();
    ASSERT_TRUE(wait_until([&] { return old_server.readAll().contains("login"); }));
    ASSERT_TRUE(wait_until([&] { return h.window->时钟[2]->interval_ms() == 0; })) << "logged in, no more tries";

    first->pull_cable();
    first.reset();
    QElapsedTimer clock;
    clock.start();
    LanHost second(QStringLiteral("lan1"), QStringLiteral("10.77.0.1/24"), QStringLiteral("10.77.0.2/24"));
    ASSERT_TRUE(second.failure().isEmpty()) << second.failure().toStdString();
    QProcess& new_server = start_login_answerer(second);
    QByteArray heard;
    EXPECT_TRUE(wait_until(
        [&] {
            heard += new_server.readAll();
            return heard.contains("login");
        },
        25000))
        << heard.toStdString();
    std::printf("logged in to the new server %lld ms after the old one vanished\n",
                static_cast<long long>(clock.elapsed()));
}

} // namespace
