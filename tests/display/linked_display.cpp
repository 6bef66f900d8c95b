#include "tests/display/linked_display.h"

#include "common/events/clientsocket.h"
#include "protocol/ports.h"
#include "tests/support/waits.h"

#include <QSignalSpy>

LinkedDisplay::LinkedDisplay(const QByteArray& ip_text)
    : control_port(protocol::kLoginPort), photo_port(protocol::kScreenPort)
{
    h.folder.write_file(QStringLiteral("ip.txt"), ip_text);
    h.start();
    h.window->on_login_timer();
    h.window->on_photo_timer();
    linked = control_port.wait_for_peers(1, 5000) && photo_port.wait_for_peers(1, 5000) &&
             wait_until([this] { return control_port.peers()[0].received == "登录|显示"; });
}

namespace {

bool deliver(FakeServerPort& port, common::ClientSocket* link, const QByteArray& message)
{
    QSignalSpy arrived(link, &common::ClientSocket::dataArrived);
    return port.send_to_newest(message) && (arrived.count() > 0 || arrived.wait(15000));
}

} // namespace

bool LinkedDisplay::control(const QByteArray& message)
{
    return deliver(control_port, h.window->客户[2], message);
}

bool LinkedDisplay::photo(const QByteArray& message)
{
    return deliver(photo_port, h.window->客户[1], message);
}
