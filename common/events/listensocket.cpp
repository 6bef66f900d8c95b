#include "common/events/listensocket.h"

#include <algorithm>

#include <unistd.h>

#include "common/events/diagnostics.h"
#include "common/events/eventgate.h"
#include "common/events/gracefulclose.h"
#include "common/events/peerlimit.h"
#include "common/events/socketio.h"

#include <QTcpSocket>

namespace common {

namespace {

GbkText address_text(quint32 ipv4, quint16 port)
{
    return std::to_string(ipv4 >> 24) + "." + std::to_string((ipv4 >> 16) & 0xFF) + "." +
           std::to_string((ipv4 >> 8) & 0xFF) + "." + std::to_string(ipv4 & 0xFF) + ":" + std::to_string(port);
}

} // namespace

ListenSocket::ListenSocket(int port, QObject* parent) : QObject(parent)
{
    connect(&m_acceptor, &Acceptor::connectionWaiting, this, &ListenSocket::accept_waiting);
    m_port = port < 1 ? 1 : port;
    listen();
}

ListenSocket::~ListenSocket() = default;

void ListenSocket::set_port(int port)
{
    if (port < 1)
        port = 1;
    if (port == m_port && is_listening())
        return;
    m_port = port;
    listen();
}

// The old listener goes, its accepted connections stay.
void ListenSocket::listen()
{
    m_acceptor.close();
    if (m_port > 65535 || !m_acceptor.listen(static_cast<quint16>(m_port)))
        qCWarning(program_log).noquote() << "cannot listen on port" << m_port << "-"
                                         << (m_port > 65535 ? QStringLiteral("no such port")
                                                            : m_acceptor.error_string());
}

ByteData ListenSocket::current_data() const
{
    return m_arrivals.empty() ? ByteData{} : m_arrivals.back().data;
}

GbkText ListenSocket::current_client() const
{
    return m_arrivals.empty() ? GbkText{} : m_arrivals.back().client;
}

std::vector<GbkText> ListenSocket::clients() const
{
    std::vector<GbkText> result;
    for (const auto& connection : m_connections)
        result.push_back(connection.address);
    return result;
}

void ListenSocket::accept_waiting()
{
    m_acceptor.resume();
    while (unseen_connections() < kMaxUnseenConnections) {
        const int descriptor = m_acceptor.accept();
        if (descriptor < 0)
            return;
        take(descriptor);
    }
    m_acceptor.pause();
}

void ListenSocket::take(int descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    bool ipv4 = false;
    const quint32 peer = socket->peerAddress().toIPv4Address(&ipv4);
    // Closed at once, so that its file and memory are freed and nothing else waits on it.
    if (!ipv4 || events_suspended() || !PeerConnections::of_this_thread().admit(*socket, peer)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    prepare_connection(*socket);
    std::shared_ptr<ConnectionEvents> events = ConnectionEvents::open(
        *this, *socket,
        {.arrival = [this](const ConnectionEvents* connection,
                           const ByteData& data) { raise_for(connection, &ListenSocket::dataArrived, data); },
         .close = [this](const ConnectionEvents* connection) { deliver_close(connection); }});
    m_connections.push_back({socket, address_text(peer, socket->peerPort()), events});
    events->queue_accept([this, connection = events.get()] {
        // Its accept has started: the control may take the connections it held back.
        accept_waiting();
        raise_for(connection, &ListenSocket::clientConnected);
    });
}

void ListenSocket::deliver_close(const ConnectionEvents* events)
{
    const Connection* connection = find(events);
    if (!connection)
        return;
    // The handler still finds the address current, but no longer the connection.
    QTcpSocket* socket = connection->socket;
    const GbkText address = connection->address;
    remove(*connection);
    raise(&ListenSocket::clientDisconnected, address);
    socket->deleteLater();
}

int ListenSocket::unseen_connections() const
{
    return static_cast<int>(std::count_if(m_connections.begin(), m_connections.end(),
                                          [](const Connection& connection) { return connection.events->unseen(); }));
}

void ListenSocket::remove(const Connection& connection)
{
    connection.events->let_go();
    m_connections.erase(m_connections.begin() + (&connection - m_connections.data()));
}

ListenSocket::Connection* ListenSocket::find(const GbkText& client)
{
    Connection* gone = nullptr;
    for (auto& connection : m_connections) {
        if (connection.address != client)
            continue;
        if (!connection.events->peer_closed() && connection.socket->state() == QAbstractSocket::ConnectedState)
            return &connection;
        if (!gone)
            gone = &connection;
    }
    return gone;
}

ListenSocket::Connection* ListenSocket::find(const ConnectionEvents* events)
{
    for (auto& connection : m_connections)
        if (connection.events.get() == events)
            return &connection;
    return nullptr;
}

void ListenSocket::raise(void (ListenSocket::*signal)(), const GbkText& client, const ByteData& data)
{
    m_arrivals.push_back({client, data});
    struct Restore
    {
        std::vector<Arrival>& arrivals;
        ~Restore() { arrivals.pop_back(); }
    } restore{m_arrivals};
    emit(this->*signal)();
}

void ListenSocket::raise_for(const ConnectionEvents* events, void (ListenSocket::*signal)(), const ByteData& data)
{
    if (const Connection* connection = find(events)) {
        const GbkText address = connection->address;
        raise(signal, address, data);
    }
}

bool ListenSocket::send(const GbkText& client, const ByteData& data, int wait_seconds)
{
    Connection* connection = find(client);
    if (!connection || connection->socket->state() != QAbstractSocket::ConnectedState)
        return false;
    if (data.isEmpty())
        return true;
    QTcpSocket* socket = connection->socket;
    if (wait_seconds >= 0 && socket->bytesToWrite() > 0) {
        socket->flush();
        if (socket->bytesToWrite() > 0 && !socket->waitForBytesWritten(wait_seconds * 1000))
            return false;
    }
    return write_now(*socket, data);
}

void ListenSocket::disconnect_client(const GbkText& client)
{
    Connection* connection = find(client);
    if (!connection)
        return;
    QTcpSocket* socket = connection->socket;
    const GbkText address = connection->address;
    remove(*connection);
    close_gracefully(socket);
    accept_waiting();
    raise(&ListenSocket::clientDisconnected, address);
}

bool server_send(ListenSocket& server, const GbkText& client, const ByteData& data, int wait_seconds)
{
    return server.send(client, data, wait_seconds);
}

bool server_send(ListenSocket& server, const GbkText& client, const GbkText& text, int wait_seconds)
{
    return server.send(client, to_byte_set(text), wait_seconds);
}

bool server_send(ListenSocket& server, const GbkText& client, const char* text, int wait_seconds)
{
    return server.send(client, to_byte_set(text), wait_seconds);
}

ByteData server_get_data(const ListenSocket& server)
{
    return server.current_data();
}

GbkText server_get_client(const ListenSocket& server)
{
    return server.current_client();
}

void server_disconnect_client(ListenSocket& server, const GbkText& client)
{
    server.disconnect_client(client);
}

} // namespace common
