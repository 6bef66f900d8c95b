#include "common/events/clientsocket.h"

#include <utility>

#include "common/events/gracefulclose.h"
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

bool ClientSocket::connect_to(const GbkText& host, int port)
{
    if (port <= 0)
        port = 1;
    // The old connection goes without connectionClosed; what it had still queued is dropped.
    let_go();
    if (host.empty() || port > 65535)
        return false;
    const QHostAddress address = resolve(host);
    if (address.isNull())
        return false;
    auto* socket = new QTcpSocket(this);
    // Blocks without dispatching events, as the callers expect, but not for the system's minutes.
    socket->connectToHost(address, static_cast<quint16>(port));
    if (!socket->waitForConnected(kConnectWaitMs)) {
        socket->abort();
        socket->deleteLater();
        return false;
    }
    prepare_connection(*socket);
    m_socket = socket;
    m_events = ConnectionEvents::open(
        *this, *socket,
        {.arrival = [this](const ConnectionEvents*, const ByteData& data) { deliver_arrival(data); },
         .close = [this](const ConnectionEvents*) { deliver_close(); }});
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

void ClientSocket::let_go()
{
    if (m_events)
        m_events->let_go();
    m_events.reset();
    close_gracefully(std::exchange(m_socket, nullptr));
}

void ClientSocket::deliver_arrival(const ByteData& data)
{
    m_arrivals.push_back(data);
    struct Restore
    {
        std::vector<ByteData>& arrivals;
        ~Restore() { arrivals.pop_back(); }
    } restore{m_arrivals};
    emit dataArrived();
}

void ClientSocket::deliver_close()
{
    m_events->let_go();
    m_events.reset();
    std::exchange(m_socket, nullptr)->deleteLater();
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
