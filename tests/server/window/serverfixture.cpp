#include "tests/server/window/serverfixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/events/listensocket.h"
#include "common/widgets/controls.h"
#include "protocol/ports.h"
#include "server/globals.h"
#include "tests/support/waits.h"

#include <QTcpServer>

namespace {

// Whether every port of the server can be listened on now. A program that the window before started
// (its FTP server) may hold them a moment longer: the forked child keeps the listeners until it has
// started the program or given up.
bool server_ports_free()
{
    for (int port = protocol::kLoginPort; port <= protocol::kJudgePort; ++port) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::AnyIPv4, static_cast<quint16>(port)))
            return false;
    }
    return true;
}

} // namespace

QByteArray gbk(const common::GbkText& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void ServerFixture::SetUp()
{
    ASSERT_TRUE(folder.valid());
    server::init_globals();
    make_window(server::kPublicDictionarySites);
}

void ServerFixture::make_window(const server::DictionarySites& sites)
{
    window.reset();
    // Polled without running events, so a window that frees its ports only later still fails.
    for (int waited_ms = 0; waited_ms < 2000 && !server_ports_free(); waited_ms += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    window = std::make_unique<server::ServerWindow>(dialogs, sites);
    window->on_server_window_created();
}

void ServerFixture::TearDown()
{
    m_clients.clear();
    window.reset();
    server::free_globals();
    EXPECT_EQ(dialogs.unused_answers(), 0u);
}

FakeClient& ServerFixture::connect_client(quint16 port)
{
    auto client = std::make_unique<FakeClient>();
    EXPECT_TRUE(client->connect_to(port));
    m_clients.push_back(std::move(client));
    return *m_clients.back();
}

FakeClient& ServerFixture::login(const QByteArray& role, const QByteArray& expected_reply)
{
    FakeClient& client = connect_client(protocol::kLoginPort);
    client.send("登录|" + role);
    EXPECT_TRUE(client.wait_for(expected_reply)) << role.toStdString();
    client.clear_received();
    return client;
}

bool ServerFixture::wait_server_has_peer(quint16 port, const QByteArray& peer, bool present) const
{
    const common::ListenSocket& server = *window->服务器[port - protocol::kLoginPort];
    return wait_until([&] {
        const std::vector<common::GbkText> clients = server.clients();
        return (std::find(clients.begin(), clients.end(), peer.toStdString()) != clients.end()) == present;
    });
}

QByteArray ServerFixture::status_of(int row) const
{
    return gbk(common::list_view_get_item_text(window->超级列表框1, row, 1));
}

QByteArray ServerFixture::address_of(int row) const
{
    return gbk(common::list_view_get_item_text(window->超级列表框1, row, 2));
}
