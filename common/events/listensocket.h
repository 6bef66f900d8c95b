#pragma once

#include <vector>

#include "common/events/retiredsockets.h"
#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>

class QTcpServer;
class QTcpSocket;

// A listening socket control: listens on every IPv4 address at its port and keeps its accepted
// connections in accept order, each named by its ClientAddress "a.b.c.d:port". It owns the
// accepted sockets; a closed one is deleted only once no handler of this control is running, so a
// handler that nests (delay_ms) never leaves a dangling socket behind.
//
// Every readiness to read reads all waiting bytes and raises one dataArrived with them: two sends
// may arrive as one, one send may arrive in parts. server_get_data / server_get_client give the
// arrival of the handler that is running, also when handlers nest.
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
    };
    struct Arrival
    {
        GbkText client;
        ByteData data;
    };

    void listen();
    void on_new_connection();
    void on_ready_read(QTcpSocket* socket);
    void on_closed(QTcpSocket* socket);
    Connection* find(const GbkText& client);
    Connection* find(const QTcpSocket* socket);
    // Removes the connection from the list and hands its socket to m_retired.
    void remove(QTcpSocket* socket);
    void raise(void (ListenSocket::*signal)(), const GbkText& client, const ByteData& data = {});

    QTcpServer* m_server = nullptr;
    int m_port = 1;
    std::vector<Connection> m_connections;
    std::vector<Arrival> m_arrivals; // one per nested handler
    RetiredSockets m_retired;
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
// Closes the connection, removes it and raises clientDisconnected for it before returning;
// a text naming no connection does nothing.
void server_disconnect_client(ListenSocket& server, const GbkText& client);

} // namespace common
