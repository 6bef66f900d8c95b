#pragma once

#include <memory>
#include <vector>

#include "common/events/eventqueue.h"
#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

// A listening socket control: listens on every IPv4 address at its port and keeps its accepted
// connections in accept order, each named by its ClientAddress "a.b.c.d:port". It owns the
// accepted sockets. A port that cannot accept (out of files or memory) pauses and tries again
// every kAcceptRetryMs, so it neither spins nor stays deaf once files are free again.
//
// Every readiness to read reads all waiting bytes and queues one dataArrived event with them: two
// sends may arrive as one, one send may arrive in parts. Accepts and closes are queued the same
// way, behind the arrivals before them, in the one event queue that timer ticks take too. The
// handlers thus never run inside a Qt socket signal, so whatever event loop runs (a handler's
// delay_ms among them) also dispatches the next arrival of the same connection; a connection whose
// events are kMaxConnectionDepth deep is not read until they unwind. server_get_data /
// server_get_client give the event of the handler that is running, also when handlers nest.
namespace common {

class ListenSocket final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListenSocket)

public:
    static constexpr int kAcceptRetryMs = 250;

    // Listens at once; a port that cannot be bound leaves the control without listener, silently.
    explicit ListenSocket(int port = 19730, QObject* parent = nullptr);
    ~ListenSocket() override;

    int port() const { return m_port; }
    // Values below 1 count as 1; another value closes the listener and listens on the new port.
    void set_port(int port);
    bool is_listening() const;
    // Accepts no more connections until set_port listens again; open connections stay.
    void stop_listening();

    // The data and client of the running dataArrived / clientConnected / clientDisconnected handler.
    ByteData current_data() const;
    GbkText current_client() const;

    // The client addresses of the open connections, in accept order.
    std::vector<GbkText> clients() const;

    // See server_send and server_disconnect_client.
    bool send(const GbkText& client, const ByteData& data, int wait_seconds = -1);
    void disconnect_client(const GbkText& client);

signals:
    void clientConnected();
    void dataArrived();
    void clientDisconnected();

private:
    struct Connection
    {
        QTcpSocket* socket = nullptr;
        GbkText address;
        quint64 id = 0; // tells a connection from a later one that reuses the socket's memory
        std::shared_ptr<EventSource> events = std::make_shared<EventSource>();
        bool peer_closed = false;
        bool close_queued = false;
    };
    struct Arrival
    {
        GbkText client;
        ByteData data;
    };

    void listen();
    // A peer address past kMaxConnectionsPerPeer gets its connection accepted and closed at once,
    // with no event; with kMaxUnseenConnections accepted that no handler has seen yet, the control
    // accepts no more until they are seen.
    void on_new_connection();
    // Accepts again once the handlers have seen enough of the connections accepted before, unless
    // the port waits to retry after a failed accept.
    void accept_waiting();
    void on_accept_error();
    int unseen_connections() const;
    void on_ready_read(QTcpSocket* socket);
    void on_closed(QTcpSocket* socket);
    // Reads what the connection holds and queues it, then its close once everything is read;
    // nothing while its events are kMaxConnectionDepth deep.
    void read(Connection& connection);
    // Queues an event of the connection; a connection closed meanwhile by disconnect_client gets
    // nothing more. When it has run, the connection is read again if it was held back.
    void queue(Connection& connection, void (ListenSocket::*signal)(), const ByteData& data = {});
    void deliver_close(quint64 id);
    // By address text: the first in accept order, except that a connection whose peer has gone
    // yields to a live one of the same text (the peer came back from the same port before the old
    // close was handled).
    Connection* find(const GbkText& client);
    Connection* find(const QTcpSocket* socket);
    Connection* find(quint64 id);
    void raise(void (ListenSocket::*signal)(), const GbkText& client, const ByteData& data = {});

    QTcpServer* m_server = nullptr;
    QTimer m_accept_retry;
    int m_port = 1;
    quint64 m_next_id = 1;
    std::vector<Connection> m_connections;
    std::vector<Arrival> m_arrivals; // one per nested handler
};

// Sends to the connection whose ClientAddress equals client byte for byte. Unknown or closed: false
// and nothing sent; empty data: true without sending. wait_seconds >= 0 first waits that long for
// the socket to take data. False when the bytes could not all be handed to the system at once (a
// full send buffer); the rest then follows when the peer reads, so a message never arrives cut off.
bool server_send(ListenSocket& server, const GbkText& client, const ByteData& data, int wait_seconds = -1);
bool server_send(ListenSocket& server, const GbkText& client, const GbkText& text, int wait_seconds = -1);
bool server_send(ListenSocket& server, const GbkText& client, const char* text, int wait_seconds = -1);
ByteData server_get_data(const ListenSocket& server);
GbkText server_get_client(const ListenSocket& server);
// Closes the connection gracefully (what was sent before still reaches the peer), removes it and
// raises clientDisconnected for it before returning; its arrivals not yet handled are dropped. A
// text naming no connection does nothing.
void server_disconnect_client(ListenSocket& server, const GbkText& client);

} // namespace common
