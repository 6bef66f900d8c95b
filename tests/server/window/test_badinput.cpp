#include <random>

#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/waits.h"

// Nothing a peer sends may end the server, close a connection or change more than the rules say.
class BadInput : public ServerFixture
{
};

TEST_F(BadInput, GarbageOnEveryPortChangesNothing)
{
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    const QByteArray megabyte(1 << 20, '\xB5');
    const QByteArray halfCharacter("\xB5");
    const QByteArray halfLogin = QByteArray("登录|") + '\xB5';

    std::vector<FakeClient*> clients;
    for (int port = protocol::kLoginPort; port <= protocol::kJudgePort; ++port) {
        FakeClient& client = connect_client(port);
        for (const QByteArray& message : {noise, halfCharacter, halfLogin, megabyte})
            client.send(message);
        clients.push_back(&client);
    }
    // A half character after the role is a role that names nobody.
    ASSERT_TRUE(wait_until([&] { return clients[0]->received().contains("登录|失败"); }));
    settle_ms(1000, "a connection closed over the garbage would show by now");
    for (FakeClient* client : clients)
        EXPECT_TRUE(client->is_connected());
    for (int row = 0; row <= 10; ++row)
        EXPECT_EQ(status_of(row), "离线");
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(window->图片框[n]->picture(), resources::tile_waiting_picture());
    login("1");
}

TEST_F(BadInput, HundredsOfConnectionsOpenedAndClosed)
{
    for (int round = 0; round < 300; ++round) {
        FakeClient client;
        ASSERT_TRUE(client.connect_to(static_cast<quint16>(protocol::kLoginPort + round % 12)));
        client.close();
    }
    FakeClient& machine = login("6");
    EXPECT_EQ(status_of(5), "在线");
    window->send_to_row(5, "比赛|等待|0");
    EXPECT_TRUE(machine.wait_for("比赛|等待|0"));
}
