#pragma once

#include <memory>
#include <vector>

#include "common/events/acceptor.h"
#include "common/events/connectionevents.h"
#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>

class QTcpSocket;

// A listening socket control: listens on every IPv4 address at its port and keeps its accepted
// connections in accept order, each named by its ClientAddress "a.b.c.d:port". It owns the
// accepted sockets. A port that cannot accept (out of files or memory) pauses and tries again on a
// timer (see Acceptor), so it neither spins nor stays deaf once files are free again.
//
// Each connection's accept, arrivals and close are queued by its ConnectionEvents, in the one
// event queue that timer ticks take too. The handlers thus never run inside a Qt socket signal, so
// whatever event loop runs (a handler's delay_ms among them) also dispatches the next arrival of
// the same connection; a connection whose events are kMaxConnectionDepth deep is not read until
// they unwind. server_get_data / server_get_client give the event of the handler that is running,
// also when handlers nest.
namespace common {

class ListenSocket final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListenSocket)

public:
    // Listens at once; a port that cannot be bound leaves the control without listener, silently.
    explicit ListenSocket(int port = 19730, QObject* parent = nullptr);
    ~ListenSocket() override;

    int port() const { return m_port; }
    // Values below 1 count as 1; another value closes the listener and listens on the new port.
    void set_port(int port);
    bool is_listening() const { return m_acceptor.is_listening(); }
    // Accepts no more connections until set_port listens again; open connections stay.
    void stop_listening() { m_acceptor.close(); }

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
        std::shared_ptr<ConnectionEvents> events;
    };
    struct Arrival
    {
        GbkText client;
        ByteData data;
    };

    void listen();
    // Takes the waiting connections while fewer than kMaxUnseenConnections are unseen by the
    // handlers; at that bound the rest wait in the system's backlog until they are seen.
    void accept_waiting();
    // A peer address past kMaxConnectionsPerPeer gets its connection accepted and closed at once,
    // with no event.
    void take(int descriptor);
    void deliver_close(const ConnectionEvents* events);
    int unseen_connections() const;
    // Removes the connection from the list; its queued events raise nothing more.
    void remove(const Connection& connection);
    // By address text: the first in accept order, except that a connection whose peer has gone
    // yields to a live one of the same text (the peer came back from the same port before the old
    // close was handled).
    Connection* find(const GbkText& client);
    Connection* find(const ConnectionEvents* events);
    void raise(void (ListenSocket::*signal)(), const GbkText& client, const ByteData& data = {});
    // Raises signal for the connection of events, while the control still holds it.
    void raise_for(const ConnectionEvents* events, void (ListenSocket::*signal)(), const ByteData& data = {});

    Acceptor m_acceptor;
    int m_port = 1;
    std::vector<Connection> m_connections;
    std::vector<Arrival> m_arrivals; // one per nested handler
};

// Sends to the connection whose ClientAddress equals client byte for byte. Unknown or closed: false
// and nothing sent; empty data: true without sending. wait_seconds >= 0 first waits that long for
// the socket to take data. False when the bytes could not all be handed to the system at once (a
// full send buffer); the rest then follows when the peer reads, so a message never arrives cut off.
// A message that would leave more than kMaxUnsentBytes of the connection not yet taken by the
// system is refused whole: false, and nothing of it is sent.
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
