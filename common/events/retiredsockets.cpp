#include "common/events/retiredsockets.h"

#include <QAbstractSocket>

namespace common {

RetiredSockets::~RetiredSockets()
{
    for (auto& socket : m_sockets)
        if (socket)
            socket->deleteLater();
}

RetiredSockets::Busy::~Busy()
{
    if (--m_owner.m_depth == 0)
        m_owner.release();
}

void RetiredSockets::retire(QAbstractSocket* socket)
{
    socket->disconnect();
    socket->abort();
    m_sockets.emplace_back(socket);
    if (m_depth == 0)
        release();
}

void RetiredSockets::release()
{
    for (auto& socket : m_sockets)
        if (socket)
            socket->deleteLater();
    m_sockets.clear();
}

} // namespace common
