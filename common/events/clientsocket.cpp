#include "common/events/clientsocket.h"

#include "common/events/socketio.h"
#include "common/text/gbkcodec.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

namespace common {

namespace {

// The host's IPv4 address: dotted text as is, a name by look-up; null when there is none.
QHostAddress resolve(const GbkText& host)
{
    const QString name = to_qstring(host);
    QHostAddress address;
    if (address.setAddress(name))
        return address.protocol() == QAbstractSocket::IPv4Protocol ? address : QHostAddress{};
    for (const QHostAddress& found : QHostInfo::fromName(name).addresses())
        if (found.protocol() == QAbstractSocket::IPv4Protocol)
            return found;
    return {};
}

} // namespace

ClientSocket::ClientSocket(QObject* parent) : QObject(parent) {}

ClientSocket::~ClientSocket() = default;

bool ClientSocket::is_connected() const
{
    return m_socket != nullptr && m_socket->state() == QAbstractSocket::ConnectedState;
}

ByteData ClientSocket::current_data() const
{
    return m_arrivals.empty() ? ByteData{} : m_arrivals.back();
}

void ClientSocket::drop_socket()
{
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    m_retired.retire(socket);
}

bool ClientSocket::connect_to(const GbkText& host, int port)
{
    if (port <= 0)
        port = 1;
    drop_socket();
    if (host.empty() || port > 65535)
        return false;
    const QHostAddress address = resolve(host);
    if (address.isNull())
        return false;
    auto* socket = new QTcpSocket(this);
    // Blocks without dispatching events, as the callers expect, but not for the system's minutes.
    socket->connectToHost(address, static_cast<quint16>(port));
    if (!socket->waitForConnected(kConnectWaitMs)) {
        m_retired.retire(socket);
        return false;
    }
    m_socket = socket;
    connect(socket, &QTcpSocket::readyRead, this, &ClientSocket::on_ready_read);
    connect(socket, &QTcpSocket::disconnected, this, &ClientSocket::on_closed);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            on_closed();
    });
    return true;
}

bool ClientSocket::send(const ByteData& data)
{
    if (!is_connected())
        return false;
    if (data.isEmpty())
        return true;
    return write_now(*m_socket, data);
}

void ClientSocket::on_ready_read()
{
    RetiredSockets::Busy busy(m_retired);
    // Bytes that come in while a handler nests an event loop get no new readyRead: read again.
    for (QTcpSocket* socket = m_socket; socket && socket == m_socket;) {
        const ByteData data = read_all_waiting(*socket);
        if (data.isEmpty())
            break;
        m_arrivals.push_back(data);
        struct Restore
        {
            std::vector<ByteData>& arrivals;
            ~Restore() { arrivals.pop_back(); }
        } restore{m_arrivals};
        emit dataArrived();
    }
}

void ClientSocket::on_closed()
{
    RetiredSockets::Busy busy(m_retired);
    QTcpSocket* socket = m_socket;
    on_ready_read();
    if (!socket || socket != m_socket)
        return;
    drop_socket();
    emit connectionClosed();
}

bool client_connect(ClientSocket& client, const GbkText& host, int port)
{
    return client.connect_to(host, port);
}

bool client_send(ClientSocket& client, const ByteData& data)
{
    return client.send(data);
}

bool client_send(ClientSocket& client, const GbkText& text)
{
    return client.send(to_byte_set(text));
}

bool client_send(ClientSocket& client, const char* text)
{
    return client.send(to_byte_set(text));
}

ByteData client_get_data(const ClientSocket& client)
{
    return client.current_data();
}

} // namespace common
