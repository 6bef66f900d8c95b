#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/events/clientsocket.h"
#include "common/events/listensocket.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "protocol/ports.h"
#include "tests/support/nestedarrivals.h"
#include "tests/support/rawpeer.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

using namespace common;

namespace {

constexpr int kPort = protocol::kLoginPort;

struct ClientLog
{
    explicit ClientLog(ClientSocket& client)
    {
        QObject::connect(&client, &ClientSocket::dataArrived, [this, &client] {
            events.push_back('d');
            data.push_back(client_get_data(client));
        });
        QObject::connect(&client, &ClientSocket::connectionClosed, [this] { events.push_back('x'); });
    }
    std::string events;
    std::vector<ByteData> data;
};

// Server side: remembers the newest client.
struct Server
{
    Server()
    {
        QObject::connect(&socket, &ListenSocket::clientConnected, [this] { newest = server_get_client(socket); });
        QObject::connect(&socket, &ListenSocket::dataArrived, [this] { received += server_get_data(socket); });
        QObject::connect(&socket, &ListenSocket::clientDisconnected, [this] { ++disconnects; });
    }
    ListenSocket socket{kPort};
    GbkText newest;
    ByteData received;
    int disconnects = 0;
};

} // namespace

TEST(ClientSocket, ConnectsSendsAndReceives)
{
    Server server;
    ClientSocket client;
    ClientLog log(client);
    EXPECT_FALSE(client_send(client, "early")) << "no connection yet";
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    EXPECT_TRUE(client_send(client, "\xB5\xC7\xC2\xBC|\xCF\xD4\xCA\xBE"));
    EXPECT_TRUE(client_send(client, ByteData{}));
    ASSERT_TRUE(wait_until([&] { return server.received.size() == 9; }));
    EXPECT_EQ(server.received, ByteData("\xB5\xC7\xC2\xBC|\xCF\xD4\xCA\xBE"));
    EXPECT_TRUE(server_send(server.socket, server.newest, "\xB5\xC7\xC2\xBC|\xB3\xC9\xB9\xA6"));
    ASSERT_TRUE(wait_until([&] { return !log.data.empty(); }));
    EXPECT_EQ(log.data.front(), ByteData("\xB5\xC7\xC2\xBC|\xB3\xC9\xB9\xA6"));
    EXPECT_TRUE(client_get_data(client).isEmpty()) << "valid only inside the handler";
}

TEST(ClientSocket, NamesAreLookedUpAndBadHostsFailAtOnce)
{
    Server server;
    ClientSocket client;
    EXPECT_TRUE(client_connect(client, "localhost", kPort));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client_connect(client, "", kPort));
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_FALSE(client.is_connected()) << "the old connection was closed first";
    EXPECT_FALSE(client_connect(client, "no-such-host.invalid", kPort));
    EXPECT_FALSE(client_connect(client, "127.0.0.1", kPort + 7)) << "refused";
    EXPECT_FALSE(client_send(client, "x"));
}

TEST(ClientSocket, ReconnectClosesTheOldLinkWithoutClosedEvent)
{
    Server server;
    ClientSocket client;
    ClientLog log(client);
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    ASSERT_TRUE(wait_until([&] { return !server.newest.empty(); }));
    const GbkText first = server.newest;
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    ASSERT_TRUE(wait_until([&] { return server.newest != first && server.disconnects == 1; }));
    common::delay_ms(100);
    EXPECT_EQ(log.events, "");
    EXPECT_EQ(server.socket.clients().size(), 1u);
}

TEST(ClientSocket, ServerCloseGivesLastBytesThenOneClosedEvent)
{
    Server server;
    ClientSocket client;
    ClientLog log(client);
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    ASSERT_TRUE(wait_until([&] { return !server.newest.empty(); }));
    server_send(server.socket, server.newest, "\xCD\xCB\xB3\xF6");
    server_disconnect_client(server.socket, server.newest);
    ASSERT_TRUE(wait_until([&] { return log.events.find('x') != std::string::npos; }));
    common::delay_ms(100);
    EXPECT_EQ(log.events, "dx");
    EXPECT_EQ(log.data.front(), ByteData("\xCD\xCB\xB3\xF6"));
    EXPECT_FALSE(client.is_connected());
    EXPECT_FALSE(client_send(client, "x"));
}

TEST(ClientSocket, ReconnectFromInsideItsOwnHandlerIsSafe)
{
    Server server;
    ClientSocket client;
    int arrivals = 0;
    bool reconnected = false;
    QObject::connect(&client, &ClientSocket::dataArrived, [&] {
        ++arrivals;
        reconnected = client_connect(client, "127.0.0.1", kPort);
        common::delay_ms(50);
    });
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    ASSERT_TRUE(wait_until([&] { return !server.newest.empty(); }));
    server_send(server.socket, server.newest, "go");
    ASSERT_TRUE(wait_until([&] { return arrivals == 1; }));
    EXPECT_TRUE(reconnected);
    EXPECT_TRUE(client_send(client, "still here"));
    EXPECT_TRUE(wait_until([&] { return server.received == "still here"; }));
}

TEST(ClientSocket, AnUnansweredConnectGivesUpWithinAFewSecondsWithoutDispatching)
{
    // A listener whose accept queue is full drops further handshakes, so a connect hangs.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort + 5);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 8; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QStringLiteral("127.0.0.1"), kPort + 5);
        if (!fillers.back()->waitForConnected(300))
            break;
    }

    Timer ticker(10);
    int ticks = 0;
    QObject::connect(&ticker, &Timer::timeout, [&] { ++ticks; });
    ClientSocket client;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client_connect(client, "127.0.0.1", kPort + 5));
    const qint64 took = clock.elapsed();
    EXPECT_EQ(ticks, 0) << "no event runs during the connect";
    EXPECT_GE(took, ClientSocket::kConnectWaitMs - 200);
    EXPECT_LT(took, ClientSocket::kConnectWaitMs + 3000);
    EXPECT_FALSE(client.is_connected());
    ::close(listener);
}

TEST(ClientSocket, LaterArrivalsRunInsideTheWaitOfTheFirstHandler)
{
    Server server;
    ClientSocket client;
    const auto send = [&](const QByteArray& word) { server_send(server.socket, server.newest, word); };
    NestedArrivals arrivals(send, [&] { return client_get_data(client); });
    QObject::connect(&client, &ClientSocket::dataArrived, [&] { arrivals.on_arrival(); });
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    ASSERT_TRUE(wait_until([&] { return !server.newest.empty(); }));
    ASSERT_TRUE(arrivals.run(send));
    arrivals.expect_nested_in_order();
}

// The drop before a reconnect: what was sent last reaches the server, then FIN, although the
// client had not read what the server sent it.
TEST(ClientSocket, AReconnectLetsTheLastMessageReachTheServerThenEndsWithoutReset)
{
    const int listener = RawPeer::listen_on(kPort + 1);
    ASSERT_GE(listener, 0);
    ClientSocket client;
    ClientLog log(client);
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort + 1));
    RawPeer server_side;
    ASSERT_TRUE(server_side.accept_from(listener));
    ASSERT_TRUE(server_side.send("unread"));
    EXPECT_TRUE(client_send(client, "last words"));

    Server other;
    ASSERT_TRUE(client_connect(client, "127.0.0.1", kPort));
    EXPECT_EQ(server_side.wait_end(), RawPeer::End::EndOfStream);
    EXPECT_EQ(server_side.received(), QByteArray("last words"));
    common::delay_ms(100);
    EXPECT_TRUE(log.events.empty()) << "the replaced link raises nothing, not even its unread bytes";
    ::close(listener);
}
