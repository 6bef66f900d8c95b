#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include <gtest/gtest.h>
#include <unistd.h>

#include "common/events/eventgate.h"
#include "common/events/eventqueue.h"
#include "common/events/listensocket.h"
#include "common/events/peerlimit.h"
#include "common/events/socketio.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "protocol/ports.h"
#include "tests/support/cannotrun.h"
#include "tests/support/fakeclient.h"
#include "tests/support/flooder.h"
#include "tests/support/kernelqueues.h"
#include "tests/support/lanhost.h"
#include "tests/support/nestedarrivals.h"
#include "tests/support/ports.h"
#include "tests/support/rawpeer.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

using namespace common;

namespace {

constexpr int kPort = protocol::hand_in_port(3);

// Everything a listening control raised, in order, with the current client and data of each.
struct EventLog
{
    struct Event
    {
        char kind; // 'c' connected, 'd' data, 'x' disconnected
        GbkText client;
        ByteData data;
    };

    explicit EventLog(ListenSocket& server)
    {
        QObject::connect(&server, &ListenSocket::clientConnected, [this, &server] {
            events.push_back({'c', server_get_client(server), {}});
        });
        QObject::connect(&server, &ListenSocket::dataArrived, [this, &server] {
            events.push_back({'d', server_get_client(server), server_get_data(server)});
        });
        QObject::connect(&server, &ListenSocket::clientDisconnected, [this, &server] {
            events.push_back({'x', server_get_client(server), {}});
        });
    }
    int count(char kind) const
    {
        return static_cast<int>(
            std::count_if(events.begin(), events.end(), [kind](const Event& e) { return e.kind == kind; }));
    }
    std::vector<Event> events;
};

GbkText address_of(const FakeClient& client)
{
    return client.client_address().toStdString();
}

// A listening control with one peer connected, its connect event already raised. Peer: FakeClient,
// or RawPeer for what Qt hides (resets, end of stream, bytes straight into the kernel).
template <typename Peer> class Connected : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.connect_to(kPort));
        ASSERT_TRUE(wait_until([&] { return log.count('c') == 1; }));
        address = log.events[0].client;
    }

    ListenSocket server{kPort};
    EventLog log{server};
    Peer peer;
    GbkText address; // the peer's connection, as the control names it
};

using ListenSocketWithClient = Connected<FakeClient>;
using ListenSocketWithRawPeer = Connected<RawPeer>;

// A connection as the event queue weighs it, without a socket.
struct ScriptedSource final : EventSource
{
    ScriptedSource(bool bound, bool fresh) : bound(bound), fresh(fresh) {}
    bool at_bound() const override { return bound; }
    bool is_fresh() const override { return fresh; }
    void event_started() override {}
    bool bound;
    bool fresh;
};

} // namespace

TEST(ListenSocket, AcceptsInOrderAndNamesEachConnectionByPeerAddress)
{
    ListenSocket server(kPort);
    ASSERT_TRUE(server.is_listening());
    EventLog log(server);
    FakeClient first, second;
    ASSERT_TRUE(first.connect_to(kPort));
    ASSERT_TRUE(wait_until([&] { return log.count('c') == 1; }));
    ASSERT_TRUE(second.connect_to(kPort));
    ASSERT_TRUE(wait_until([&] { return log.count('c') == 2; }));
    EXPECT_EQ(log.events[0].client, address_of(first));
    EXPECT_EQ(log.events[1].client, address_of(second));
    EXPECT_EQ(server.clients(), (std::vector<GbkText>{address_of(first), address_of(second)}));
    EXPECT_TRUE(server_get_client(server).empty()) << "valid only inside a handler";
}

TEST_F(ListenSocketWithClient, BytesThatArriveTogetherAreOneArrival)
{
    // Both sends reach the kernel before the server dispatches anything.
    peer.socket().write("\xB5\xC7\xC2\xBC|A");
    peer.socket().flush();
    peer.socket().write("\xB5\xC7\xC2\xBC|B");
    peer.socket().flush();
    ASSERT_TRUE(wait_until([&] { return log.count('d') == 1; }));
    common::delay_ms(100);
    ASSERT_EQ(log.count('d'), 1);
    EXPECT_EQ(log.events.back().data, ByteData("\xB5\xC7\xC2\xBC|A\xB5\xC7\xC2\xBC|B"));
    EXPECT_EQ(log.events.back().client, address_of(peer));
}

TEST(ListenSocket, SendReachesOnlyAnOpenConnectionByExactAddress)
{
    ListenSocket server(kPort);
    EventLog log(server);
    FakeClient client, leaver;
    ASSERT_TRUE(client.connect_to(kPort));
    ASSERT_TRUE(leaver.connect_to(kPort));
    ASSERT_TRUE(wait_until([&] { return log.count('c') == 2; }));
    const GbkText gone = address_of(leaver);
    leaver.close();
    ASSERT_TRUE(wait_until([&] { return log.count('x') == 1; }));

    EXPECT_FALSE(server_send(server, gone, "lost"));
    EXPECT_FALSE(server_send(server, "0.0.0.0", "lost"));
    EXPECT_FALSE(server_send(server, address_of(client) + " ", "lost"));
    EXPECT_FALSE(server_send(server, "", "lost"));
    EXPECT_TRUE(server_send(server, address_of(client), ByteData{}));
    EXPECT_TRUE(server_send(server, address_of(client), GbkText("\xCA\xFD|1")));
    ASSERT_TRUE(client.wait_for("\xCA\xFD|1"));
    common::delay_ms(100);
    EXPECT_EQ(client.received(), ByteData("\xCA\xFD|1"));
}

TEST_F(ListenSocketWithClient, DisconnectRaisesTheEventBeforeItReturns)
{
    server_disconnect_client(server, "127.0.0.1:1");
    EXPECT_EQ(log.count('x'), 0);

    bool listed_inside = true;
    QObject::connect(&server, &ListenSocket::clientDisconnected, [&] { listed_inside = !server.clients().empty(); });
    server_disconnect_client(server, address);
    ASSERT_EQ(log.count('x'), 1);
    EXPECT_EQ(log.events.back().client, address);
    EXPECT_FALSE(listed_inside);
    EXPECT_TRUE(server.clients().empty());
    EXPECT_TRUE(peer.wait_closed());
    EXPECT_FALSE(server_send(server, address, "late"));
}

TEST_F(ListenSocketWithClient, PeerCloseDeliversItsLastBytesThenTheDisconnect)
{
    bool send_inside = true;
    QObject::connect(&server, &ListenSocket::clientDisconnected,
                     [&] { send_inside = server_send(server, server_get_client(server), "x"); });
    peer.socket().write("bye");
    peer.socket().flush();
    peer.socket().disconnectFromHost();
    ASSERT_TRUE(wait_until([&] { return log.count('x') == 1; }));
    ASSERT_EQ(log.events.size(), 3u);
    EXPECT_EQ(log.events[1].kind, 'd');
    EXPECT_EQ(log.events[1].data, ByteData("bye"));
    EXPECT_EQ(log.events[2].client, address);
    EXPECT_FALSE(send_inside);
}

TEST(ListenSocket, NestedHandlersEachSeeTheirOwnArrival)
{
    ListenSocket server(kPort);
    FakeClient a, b;
    std::vector<std::pair<GbkText, ByteData>> seen;
    std::pair<GbkText, ByteData> after_nesting;
    int disconnects = 0;
    QObject::connect(&server, &ListenSocket::clientDisconnected, [&] { ++disconnects; });
    QObject::connect(&server, &ListenSocket::dataArrived, [&] {
        seen.emplace_back(server_get_client(server), server_get_data(server));
        if (server_get_data(server) == "first") {
            // Meanwhile b sends, a sends again and then a leaves: all handled inside this wait.
            b.send("from b");
            a.send("again");
            a.close();
            common::delay_ms(300);
            after_nesting = {server_get_client(server), server_get_data(server)};
        }
    });
    ASSERT_TRUE(a.connect_to(kPort));
    ASSERT_TRUE(b.connect_to(kPort));
    ASSERT_TRUE(wait_until([&] { return server.clients().size() == 2; }));
    const GbkText address_a = address_of(a);
    const GbkText address_b = address_of(b);
    a.send("first");
    ASSERT_TRUE(wait_until([&] { return !after_nesting.first.empty(); }));
    EXPECT_EQ(after_nesting, std::make_pair(address_a, ByteData("first")));
    ASSERT_TRUE(wait_until([&] { return seen.size() == 3 && disconnects == 1; }));
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::make_pair(address_b, ByteData("from b"))), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::make_pair(address_a, ByteData("again"))), seen.end());
    // The control goes on working after its socket was released under a nested handler.
    common::delay_ms(50);
    EXPECT_EQ(server.clients(), std::vector<GbkText>{address_b});
    EXPECT_TRUE(server_send(server, address_b, "ok"));
    EXPECT_TRUE(b.wait_for("ok"));
}

// A send the system cannot take at once gives false, and its message still arrives whole; one that
// could never fit under kMaxUnsentBytes gives false and nothing of it arrives, ever.
TEST(ListenSocket, AFullSendBufferIsReportedAndNoMessageArrivesCut)
{
    ListenSocket server(kPort);
    EventLog log(server);
    QTcpSocket reader;
    reader.setReadBufferSize(1024); // reads nothing more until told, so the send buffers fill up
    reader.connectToHost(QStringLiteral("127.0.0.1"), kPort);
    ASSERT_TRUE(wait_until([&] { return log.count('c') == 1; }));
    ByteData expected;
    for (int n = 0; n < 1000; ++n) {
        ByteData piece(64 * 1024, static_cast<char>('a' + n % 26));
        const bool taken = server_send(server, log.events[0].client, piece);
        expected += piece;
        if (!taken)
            break;
    }
    // Every piece before the last was taken whole, so the last was taken in part, not refused.
    ASSERT_LT(expected.size(), 1000 * 64 * 1024) << "the system took everything";
    EXPECT_FALSE(server_send(server, log.events[0].client, ByteData(common::kMaxUnsentBytes + 1, '!')));

    reader.setReadBufferSize(0);
    ByteData got;
    ASSERT_TRUE(wait_until(
        [&] {
            got += reader.readAll();
            return got.size() >= expected.size();
        },
        30000));
    settle_ms(100, "the refused message would have followed");
    got += reader.readAll();
    EXPECT_TRUE(got == expected);
}

QStringList g_warnings;

TEST(ListenSocket, PortRulesAndRelistening)
{
    ListenSocket server(kPort);
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtWarningMsg)
                g_warnings << QString::fromLatin1(context.category) + ": " + message;
        });
    ListenSocket taken(kPort);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(server.is_listening());
    EXPECT_FALSE(taken.is_listening()) << "a port in use leaves the control without listener";
    ASSERT_EQ(g_warnings.size(), 1) << "only the maintainer hears of it, on standard error";
    EXPECT_TRUE(g_warnings[0].startsWith(
        QStringLiteral("oruvan.test_events_listensocket: cannot listen on port %1 - ").arg(kPort)))
        << g_warnings[0].toStdString();
    EXPECT_EQ(taken.port(), kPort);

    server.set_port(kPort + 1);
    EXPECT_EQ(server.port(), kPort + 1);
    FakeClient refused, accepted;
    EXPECT_FALSE(refused.connect_to(kPort, QStringLiteral("127.0.0.1"), 2000));
    EXPECT_TRUE(accepted.connect_to(kPort + 1));

    ListenSocket low(-3);
    EXPECT_EQ(low.port(), 1);
}

TEST(ListenSocket, ConnectionsAcceptedWhileSuspendedAreDropped)
{
    common::suspend_events();
    ListenSocket server(kPort);
    EventLog log(server);
    FakeClient early;
    early.socket().connectToHost(QStringLiteral("127.0.0.1"), kPort);
    ASSERT_TRUE(early.socket().waitForConnected(2000));
    common::release_events();
    EXPECT_TRUE(early.wait_closed());
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(server.clients().empty());

    FakeClient later;
    ASSERT_TRUE(later.connect_to(kPort));
    EXPECT_TRUE(wait_until([&] { return log.count('c') == 1; }));
}

// A handler that waits must see the next arrival of its own connection inside the wait, as it sees
// those of other connections: Qt gives a socket no new readyRead while a slot of it still runs.
TEST_F(ListenSocketWithClient, LaterArrivalsOfTheSameConnectionRunInsideTheFirstHandlersWait)
{
    NestedArrivals arrivals([&](const QByteArray& word) { peer.send(word); }, [&] { return server_get_data(server); });
    QObject::connect(&server, &ListenSocket::dataArrived, [&] { arrivals.on_arrival(); });
    ASSERT_TRUE(arrivals.run([&](const QByteArray& word) { peer.send(word); }));
    arrivals.expect_nested_in_order();
}

// The last message before a disconnect reaches the peer even when the peer had sent bytes that
// nobody read: closing with unread input would answer with a reset, which can discard it.
TEST_F(ListenSocketWithRawPeer, ADisconnectedPeerGetsTheLastMessageThenEndOfStreamNotAReset)
{
    ASSERT_TRUE(peer.send("never read"));

    EXPECT_TRUE(server_send(server, address, "\xCD\xCB\xB3\xF6|\xBD\xE1\xCA\xF8|7"));
    server_disconnect_client(server, address);
    EXPECT_EQ(peer.wait_end(), RawPeer::End::EndOfStream);
    EXPECT_EQ(peer.received(), QByteArray("\xCD\xCB\xB3\xF6|\xBD\xE1\xCA\xF8|7"));
}

TEST_F(ListenSocketWithRawPeer, ASendToAPeerThatResetGivesFalseAndQueuesTheClose)
{
    const int accepted = accepted_end_of(peer.local_port());
    peer.reset();
    // The reset reaches the server's kernel; its loop does not run meanwhile.
    ASSERT_TRUE(wait_hang_up_in_kernel(accepted));
    EXPECT_FALSE(server_send(server, address, "tick"));
    EXPECT_EQ(log.count('x'), 0) << "raised inside server_send";
    EXPECT_FALSE(server_send(server, address, "tick"));
    EXPECT_TRUE(wait_until([&] { return log.count('x') == 1; }));
    EXPECT_TRUE(server.clients().empty());
}

// Waiting words from many peers, faster than the waits end: one connection nests only so deep, the
// program only so deep, and every byte read is handled.
TEST(ListenSocket, FloodsNestNoDeeperThanTheBoundsAndLoseNoByte)
{
    ListenSocket server(kPort);
    std::map<GbkText, int> depth;
    int deepest_connection = 0;
    int deepest_program = 0;
    qint64 handled = 0;
    QObject::connect(&server, &ListenSocket::dataArrived, [&] {
        const GbkText client = server_get_client(server);
        handled += server_get_data(server).size();
        deepest_connection = std::max(deepest_connection, ++depth[client]);
        deepest_program = std::max(deepest_program, event_depth());
        common::delay_ms(300);
        --depth[client];
    });
    std::vector<std::unique_ptr<Flooder>> flooders;
    for (int i = 0; i < 20; ++i) {
        flooders.push_back(std::make_unique<Flooder>(kPort, "word"));
        ASSERT_TRUE(flooders.back()->connected());
    }
    settle_ms(1000, "the floods pile up");
    qint64 sent = 0;
    for (auto& flooder : flooders) {
        flooder->stop();
        sent += flooder->sent();
    }
    EXPECT_TRUE(wait_until([&] { return handled == sent; }, 30000)) << handled << " of " << sent;
    EXPECT_EQ(deepest_connection, kMaxConnectionDepth);
    // A connection's first arrival may take one of the levels kept for new connections, when it is
    // read only once the floods already fill the stack (a loaded machine).
    EXPECT_GE(deepest_program, kMaxEventDepth);
    EXPECT_LE(deepest_program, kMaxEventDepth + kFreshEventReserve);
    EXPECT_EQ(server.clients().size(), 20u);
}

// A tick that fell due while the thread was blocked comes after the bytes that arrived before it.
TEST_F(ListenSocketWithClient, AnArrivalReadBeforeATickFellDueIsHandledBeforeTheTick)
{
    std::string order;
    QObject::connect(&server, &ListenSocket::dataArrived, [&] { order += 'd'; });
    peer.socket().write("word");
    ASSERT_TRUE(peer.socket().flush());
    ASSERT_TRUE(wait_unread_in_kernel(accepted_end_of(peer.socket().localPort()), 4));
    Timer tick(200);
    QObject::connect(&tick, &Timer::timeout, [&] {
        order += 't';
        tick.set_interval_ms(0);
    });
    QThread::msleep(400); // a blocking call: the word is in the kernel, then the tick falls due
    ASSERT_TRUE(wait_until([&] { return order.size() == 2; }));
    EXPECT_EQ(order, "dt");
}

TEST_F(ListenSocketWithClient, ProcessPendingEventsHandlesWhatItsOwnPassRead)
{
    peer.socket().write("word");
    ASSERT_TRUE(peer.socket().flush());
    ASSERT_TRUE(wait_unread_in_kernel(accepted_end_of(peer.socket().localPort()), 4));
    common::process_pending_events();
    EXPECT_EQ(log.count('d'), 1);
}

// A machine that lost power sends no FIN: its connection ends by itself all the same, within the
// README's "about 15 seconds" (keep-alive probes decide it; 5 s margin for their timing).
TEST(ListenSocket, APeerThatVanishedWithoutAWordIsDisconnectedWithinSeconds)
{
    LanHost host(QStringLiteral("lan0"), QStringLiteral("10.77.0.1/24"), QStringLiteral("10.77.0.2/24"));
    if (!host.failure().isEmpty())
        SKIP_OR_FAIL_UNDER_CI(host.failure().toStdString());
    ListenSocket server(kPort);
    EventLog log(server);
    QProcess& machine = host.run(QStringLiteral("/usr/bin/python3"),
                                 {QStringLiteral("-c"), QStringLiteral("import socket, time\n"
                                                                       "link = socket.create_connection(('10.77.0.1', "
                                                                       "%1))\ntime.sleep(600)")
                                                            .arg(kPort)});
    ASSERT_TRUE(wait_until([&] { return log.count('c') == 1; })) << machine.readAllStandardError().toStdString();
    host.pull_cable();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(wait_until([&] { return log.count('x') == 1; }, 20000));
    std::printf("disconnected %lld ms after the peer vanished\n", static_cast<long long>(clock.elapsed()));
}

TEST_F(ListenSocketWithRawPeer, ArrivalsNotYetHandledAreDroppedWithTheirDisconnectedConnection)
{
    QObject::connect(&server, &ListenSocket::dataArrived, [&] {
        if (server_get_data(server) == "close it")
            server_disconnect_client(server, address);
    });
    ASSERT_TRUE(peer.send("close it"));
    ASSERT_TRUE(wait_until([&] { return log.count('d') == 1; }));
    ASSERT_TRUE(peer.send("too late"));
    common::delay_ms(200);
    EXPECT_EQ(log.count('d'), 1);
    EXPECT_EQ(log.count('x'), 1);
}

TEST_F(ListenSocketWithClient, StoppedListeningRefusesNewcomersButKeepsItsConnections)
{
    server.stop_listening();
    EXPECT_FALSE(server.is_listening());
    FakeClient refused;
    EXPECT_FALSE(refused.connect_to(kPort, QStringLiteral("127.0.0.1"), 2000));
    EXPECT_TRUE(server_send(server, address, "still"));
    EXPECT_TRUE(peer.wait_for("still"));

    server.set_port(kPort);
    EXPECT_TRUE(server.is_listening()) << "the same port listens again";
}

// With the program's stack full, no accept can start, so no handler sees the new connections: the
// control takes kMaxUnseenConnections of them and leaves the rest in the system's backlog until the
// handlers have seen some.
TEST(ListenSocket, AcceptingPausesWhileTooManyConnectionsAreUnseen)
{
    ListenSocket server(kPort);
    std::vector<int> peers;
    const char* addresses[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
    for (int i = 0; i < kMaxUnseenConnections + 50; ++i)
        peers.push_back(connect_from(addresses[i % 3], kPort));
    ASSERT_TRUE(std::all_of(peers.begin(), peers.end(), [](int fd) { return fd >= 0; }));

    QObject context;
    // Its events may always take the levels kept for new connections, so that its nested waits fill
    // the stack to where not even a new connection's accept can start.
    const auto source = std::make_shared<ScriptedSource>(false, true);
    const int full = kMaxEventDepth + kFreshEventReserve;
    size_t accepted_while_full = 0;
    for (int level = 1; level <= full; ++level)
        queue_event(
            &context,
            [&, level] {
                if (level < full) {
                    delay_ms(2000); // the next level starts inside
                    return;
                }
                settle_ms(500, "the peers are accepted, not seen");
                accepted_while_full = server.clients().size();
            },
            source);
    EXPECT_TRUE(wait_until([&] { return server.clients().size() == peers.size(); }, 5000));
    EXPECT_EQ(accepted_while_full, static_cast<size_t>(kMaxUnseenConnections));
    for (int fd : peers)
        ::close(fd);
}

// With waits holding every level up to the ceiling, a new machine's login is answered at once: its
// accept and its first word both take levels kept for new connections.
TEST(ListenSocket, ANewConnectionsAcceptAndFirstWordPassTheCeiling)
{
    ListenSocket server(kPort);
    EventLog log(server);
    QObject context;
    const auto seen = std::make_shared<ScriptedSource>(false, false);
    FakeClient newcomer;
    bool released = false;
    bool answered = false;
    for (int level = 1; level <= kMaxEventDepth; ++level)
        queue_event(
            &context,
            [&, level] {
                if (level < kMaxEventDepth) {
                    wait_until([&] { return released; }, 30000); // the next level starts inside
                    return;
                }
                answered = newcomer.connect_to(kPort) && newcomer.send("login") &&
                           wait_until([&] { return log.count('d') == 1; });
                released = true;
            },
            seen);
    ASSERT_TRUE(wait_until([&] { return released; }, 30000));
    EXPECT_TRUE(answered) << "the login waited for the stack to unwind";
}

// The queue weighs each event by its own connection: one at its bound runs after a later event of
// another connection, and a tick after it.
TEST(ListenSocket, AnEventOfAConnectionAtItsBoundRunsAfterLaterOnesOfOthers)
{
    QObject context;
    std::string order;
    queue_event(
        &context, [&] { order += 'b'; }, std::make_shared<ScriptedSource>(true, false));
    queue_event(
        &context, [&] { order += 'o'; }, std::make_shared<ScriptedSource>(false, false));
    queue_event(&context, [&] { order += 't'; });
    EXPECT_TRUE(wait_until([&] { return order.size() == 3; }));
    EXPECT_EQ(order, "otb");
}
