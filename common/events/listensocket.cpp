#include "common/events/listensocket.h"

#include <algorithm>

#include <sys/socket.h>

#include "common/events/diagnostics.h"
#include "common/events/eventgate.h"
#include "common/events/eventqueue.h"
#include "common/events/gracefulclose.h"
#include "common/events/peerlimit.h"
#include "common/events/socketio.h"

#include <QTcpServer>
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
    m_accept_retry.setSingleShot(true);
    connect(&m_accept_retry, &QTimer::timeout, this, &ListenSocket::accept_waiting);
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

bool ListenSocket::is_listening() const
{
    return m_server != nullptr && m_server->isListening();
}

void ListenSocket::stop_listening()
{
    if (m_server)
        m_server->close();
}

void ListenSocket::listen()
{
    // The old listener goes, its accepted connections stay.
    if (m_server) {
        m_server->close();
        m_server->disconnect(this);
        m_server->deleteLater();
        m_server = nullptr;
    }
    m_accept_retry.stop();
    m_server = new QTcpServer(this);
    m_server->setListenBacklogSize(SOMAXCONN);
    connect(m_server, &QTcpServer::newConnection, this, &ListenSocket::on_new_connection);
    connect(m_server, &QTcpServer::acceptError, this, &ListenSocket::on_accept_error);
    if (m_port > 65535 || !m_server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(m_port))) {
        qCWarning(program_log).noquote() << "cannot listen on port" << m_port << "-" << m_server->errorString();
        delete m_server;
        m_server = nullptr;
    }
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

void ListenSocket::on_new_connection()
{
    while (m_server && m_server->hasPendingConnections()) {
        if (unseen_connections() >= kMaxUnseenConnections) {
            m_server->pauseAccepting();
            return;
        }
        QTcpSocket* socket = m_server->nextPendingConnection();
        socket->setParent(this);
        bool ipv4 = false;
        const quint32 peer = socket->peerAddress().toIPv4Address(&ipv4);
        // Closed at once, so that its file and memory are freed and nothing else waits on it.
        if (!ipv4 || events_suspended() || !PeerConnections::instance().admit(*socket, peer)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        prepare_connection(*socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { on_ready_read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { on_closed(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState)
                on_closed(socket);
        });
        m_connections.push_back({socket, address_text(peer, socket->peerPort()), m_next_id++});
        queue(m_connections.back(), &ListenSocket::clientConnected);
    }
}

void ListenSocket::accept_waiting()
{
    if (!is_listening() || m_accept_retry.isActive() || unseen_connections() >= kMaxUnseenConnections)
        return;
    m_server->resumeAccepting();
    on_new_connection();
}

// Qt has paused the port already; the waiting connection stays in the system's backlog until the
// retry takes it.
void ListenSocket::on_accept_error()
{
    m_server->pauseAccepting();
    m_accept_retry.start(kAcceptRetryMs);
}

int ListenSocket::unseen_connections() const
{
    return static_cast<int>(std::count_if(m_connections.begin(), m_connections.end(), [](const Connection& connection) {
        return connection.events->started == 0;
    }));
}

void ListenSocket::on_ready_read(QTcpSocket* socket)
{
    if (Connection* connection = find(socket))
        read(*connection);
}

// Also raised from inside a write that fails: only queued here, so a handler's loop over the
// connections never sees one vanish under it.
void ListenSocket::on_closed(QTcpSocket* socket)
{
    if (Connection* connection = find(socket)) {
        connection->peer_closed = true;
        read(*connection);
    }
}

void ListenSocket::read(Connection& connection)
{
    if (connection.events->at_bound())
        return;
    const ByteData data = read_all_waiting(*connection.socket);
    if (!data.isEmpty())
        queue(connection, &ListenSocket::dataArrived, data);
    if (connection.peer_closed && !connection.close_queued && !connection.events->at_bound() &&
        connection.socket->bytesAvailable() == 0) {
        connection.close_queued = true;
        ++connection.events->queued;
        const quint64 id = connection.id;
        queue_event(
            this, [this, id] { deliver_close(id); }, connection.events);
    }
}

void ListenSocket::queue(Connection& connection, void (ListenSocket::*signal)(), const ByteData& data)
{
    ++connection.events->queued;
    const quint64 id = connection.id;
    queue_event(
        this,
        [this, id, signal, data] {
            // Its accept has started: the control may take the connections it held back.
            if (signal == &ListenSocket::clientConnected)
                accept_waiting();
            if (const Connection* connection = find(id)) {
                const GbkText address = connection->address;
                raise(signal, address, data);
            }
            if (Connection* connection = find(id)) {
                --connection->events->queued;
                read(*connection);
            }
        },
        connection.events);
}

void ListenSocket::deliver_close(quint64 id)
{
    const Connection* connection = find(id);
    if (!connection)
        return;
    // The handler still finds the address current, but no longer the connection.
    QTcpSocket* socket = connection->socket;
    const GbkText address = connection->address;
    m_connections.erase(m_connections.begin() + (connection - m_connections.data()));
    socket->disconnect(this);
    raise(&ListenSocket::clientDisconnected, address);
    socket->deleteLater();
}

ListenSocket::Connection* ListenSocket::find(const GbkText& client)
{
    Connection* gone = nullptr;
    for (auto& connection : m_connections) {
        if (connection.address != client)
            continue;
        if (!connection.peer_closed && connection.socket->state() == QAbstractSocket::ConnectedState)
            return &connection;
        if (!gone)
            gone = &connection;
    }
    return gone;
}

ListenSocket::Connection* ListenSocket::find(const QTcpSocket* socket)
{
    for (auto& connection : m_connections)
        if (connection.socket == socket)
            return &connection;
    return nullptr;
}

ListenSocket::Connection* ListenSocket::find(quint64 id)
{
    for (auto& connection : m_connections)
        if (connection.id == id)
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
    m_connections.erase(m_connections.begin() + (connection - m_connections.data()));
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
