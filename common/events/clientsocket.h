#pragma once

#include <memory>
#include <vector>

#include "common/events/connectionevents.h"
#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>

class QTcpSocket;

// A client socket control: at most one connection. client_connect blocks without dispatching any
// event: the connect itself for at most kConnectWaitMs, so an unreachable server freezes the window
// only briefly; a host name is looked up first, for as long as the system's resolver takes (an
// address in ip.txt needs no look-up). Arrivals are read as by ListenSocket (ConnectionEvents): all
// waiting bytes make one dataArrived, queued as an event of its own, and the close is queued behind
// them. Arrivals already read when client_connect replaces the connection are still handled; its
// close is not.
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
    void deliver_arrival(const ByteData& data);
    void deliver_close();
    // The current connection goes without connectionClosed.
    void let_go();

    QTcpSocket* m_socket = nullptr;
    std::shared_ptr<ConnectionEvents> m_events; // of m_socket
    std::vector<ByteData> m_arrivals;           // one per nested handler
};

// Port <= 0 counts as 1. Closes the current connection first without connectionClosed. A dotted
// IPv4 host is used as is, another name is looked up (its first IPv4 address). Empty host or failed
// look-up: false at once. True when the connection stands; failure leaves no socket.
bool client_connect(ClientSocket& client, const GbkText& host, int port);
// False without a connection or when the bytes could not all be handed to the system at once; a
// message that would leave more than kMaxUnsentBytes unsent is refused whole (nothing sent).
bool client_send(ClientSocket& client, const ByteData& data);
bool client_send(ClientSocket& client, const GbkText& text);
bool client_send(ClientSocket& client, const char* text);
// The bytes of the running dataArrived handler.
ByteData client_get_data(const ClientSocket& client);

} // namespace common
