#pragma once

#include <memory>
#include <vector>

#include "common/events/eventqueue.h"
#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>

class QTcpSocket;

// A client socket control: at most one connection. client_connect blocks without dispatching any
// event, for at most kConnectWaitMs, so an unreachable server freezes the window only briefly.
// Arrivals are read as by ListenSocket: all waiting bytes make one dataArrived, queued as an event
// of its own, and the close is queued behind them. Arrivals already read when client_connect
// replaces the connection are still handled; its close is not.
namespace common {

class ClientSocket final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClientSocket)

public:
    static constexpr int kConnectWaitMs = 3000;

    explicit ClientSocket(QObject* parent = nullptr);
    ~ClientSocket() override;

    // See client_connect, client_send, client_get_data.
    bool connect_to(const GbkText& host, int port);
    bool send(const ByteData& data);
    bool is_connected() const;
    ByteData current_data() const;

signals:
    void dataArrived();
    // Once when the server closes the connection or it breaks (not when client_connect replaces it).
    void connectionClosed();

private:
    void on_closed();
    // Reads what the connection holds and queues it, then its close once everything is read;
    // nothing while its events are kMaxConnectionDepth deep.
    void read();
    void deliver_arrival(quint64 generation, const ByteData& data);
    void deliver_close(quint64 generation);

    QTcpSocket* m_socket = nullptr;
    quint64 m_generation = 0;              // of m_socket; queued events carry the one they were read from
    std::shared_ptr<EventSource> m_events; // of m_socket, queued or running
    bool m_peer_closed = false;
    bool m_close_queued = false;
    std::vector<ByteData> m_arrivals; // one per nested handler
};

// Port <= 0 counts as 1. Closes the current connection first without connectionClosed. A dotted
// IPv4 host is used as is, another name is looked up (its first IPv4 address). Empty host or failed
// look-up: false at once. True when the connection stands; failure leaves no socket.
bool client_connect(ClientSocket& client, const GbkText& host, int port);
// False without a connection or when the bytes could not all be handed to the system at once.
bool client_send(ClientSocket& client, const ByteData& data);
bool client_send(ClientSocket& client, const GbkText& text);
bool client_send(ClientSocket& client, const char* text);
// The bytes of the running dataArrived handler.
ByteData client_get_data(const ClientSocket& client);

} // namespace common
