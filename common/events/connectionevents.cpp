#include "common/events/connectionevents.h"

#include <utility>

#include "common/events/socketio.h"

#include <QAbstractSocket>

namespace common {

ConnectionEvents::ConnectionEvents(QObject& context, QAbstractSocket& socket, Handlers handlers)
    : m_context(&context), m_socket(&socket), m_handlers(std::move(handlers))
{
}

std::shared_ptr<ConnectionEvents> ConnectionEvents::open(QObject& context, QAbstractSocket& socket, Handlers handlers)
{
    const std::shared_ptr<ConnectionEvents> events(new ConnectionEvents(context, socket, std::move(handlers)));
    const std::weak_ptr<ConnectionEvents> weak = events;
    // Closes are also raised from inside a write that fails: only queued here, so a handler's loop
    // over the connections never sees one vanish under it.
    QObject::connect(&socket, &QAbstractSocket::readyRead, &context, [weak] {
        if (const auto self = weak.lock())
            self->read();
    });
    QObject::connect(&socket, &QAbstractSocket::disconnected, &context, [weak] {
        if (const auto self = weak.lock())
            self->on_peer_closed();
    });
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &context, [weak, &socket] {
        const auto self = weak.lock();
        if (self && socket.state() != QAbstractSocket::ConnectedState)
            self->on_peer_closed();
    });
    return events;
}

void ConnectionEvents::queue_accept(std::function<void()> accept)
{
    m_fresh_events = 2;
    queue(std::move(accept));
}

void ConnectionEvents::let_go()
{
    m_let_go = true;
    if (m_socket && m_context)
        QObject::disconnect(m_socket, nullptr, m_context, nullptr);
}

void ConnectionEvents::read()
{
    if (m_let_go || !m_socket || at_bound())
        return;
    const ByteData data = read_all_waiting(*m_socket);
    if (!data.isEmpty())
        queue([self = shared_from_this(), data] { self->m_handlers.arrival(self.get(), data); });
    if (m_peer_closed && !m_close_queued && !at_bound() && m_socket->bytesAvailable() == 0) {
        m_close_queued = true;
        queue([self = shared_from_this()] {
            if (!self->m_let_go)
                self->m_handlers.close(self.get());
        });
    }
}

void ConnectionEvents::on_peer_closed()
{
    m_peer_closed = true;
    read();
}

void ConnectionEvents::queue(std::function<void()> run)
{
    ++m_queued;
    queue_event(
        m_context,
        [self = shared_from_this(), run = std::move(run)] {
            run();
            self->event_done();
        },
        shared_from_this());
}

void ConnectionEvents::event_done()
{
    if (m_let_go)
        return;
    --m_queued;
    read();
}

} // namespace common
