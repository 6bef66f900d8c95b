#pragma once

#include <functional>
#include <memory>

#include "common/events/eventqueue.h"
#include "common/text/bytedata.h"

#include <QPointer>

class QAbstractSocket;
class QObject;

// One connection's events on their way to its control's handlers, shared by both socket controls:
// each readiness to read reads all waiting bytes and queues them as one arrival; once the peer has
// closed and everything before is read, the close is queued behind them. With kMaxConnectionDepth
// of its events queued or running, nothing more is read until they unwind; each event that ends
// reads again. It is the one owner of the counts the event queue weighs the connection by.
namespace common {

class ConnectionEvents final : public EventSource, public std::enable_shared_from_this<ConnectionEvents>
{
public:
    // Each is told which connection's event it runs.
    struct Handlers
    {
        // Runs for every arrival read, also once the control has let the connection go.
        std::function<void(const ConnectionEvents* connection, const ByteData& data)> arrival;
        // Runs only while the control still holds the connection.
        std::function<void(const ConnectionEvents* connection)> close;
    };

    // Starts reading socket, whose events run in context's name (none once context is gone).
    static std::shared_ptr<ConnectionEvents> open(QObject& context, QAbstractSocket& socket, Handlers handlers);

    // Queues the connection's first event ahead of its arrivals; its accept and first arrival are
    // then what makes it fresh.
    void queue_accept(std::function<void()> accept);

    // The control lets the connection go: the socket's signals no longer reach it, nothing more is
    // read or queued, and its close is never raised.
    void let_go();

    bool peer_closed() const { return m_peer_closed; }
    // No event of the connection has started yet: no handler has seen it.
    bool unseen() const { return m_started == 0; }

    bool at_bound() const override { return m_queued >= kMaxConnectionDepth; }
    bool is_fresh() const override { return m_started < m_fresh_events; }
    void event_started() override { ++m_started; }

private:
    ConnectionEvents(QObject& context, QAbstractSocket& socket, Handlers handlers);
    void read();
    void on_peer_closed();
    void queue(std::function<void()> run);
    // An event has run: the connection may be read again.
    void event_done();

    QPointer<QObject> m_context;
    QPointer<QAbstractSocket> m_socket;
    Handlers m_handlers;
    int m_queued = 0;
    int m_started = 0;
    int m_fresh_events = 1;
    bool m_peer_closed = false;
    bool m_close_queued = false;
    bool m_let_go = false;
};

} // namespace common
