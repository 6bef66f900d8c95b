#include "tests/server/window/serverfixture.h"

#include <algorithm>

#include "common/events/listensocket.h"
#include "common/widgets/controls.h"
#include "server/globals.h"
#include "tests/support/waits.h"

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
    FakeClient& client = connect_client(19730);
    client.send("登录|" + role);
    EXPECT_TRUE(client.wait_for(expected_reply)) << role.toStdString();
    client.clear_received();
    return client;
}

bool ServerFixture::wait_server_has_peer(quint16 port, const QByteArray& peer, bool present) const
{
    const common::ListenSocket& server = *window->服务器[port - 19730];
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
