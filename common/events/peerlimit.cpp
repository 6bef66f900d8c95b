#include "common/events/peerlimit.h"

#include <QTcpSocket>

namespace common {

// A child of the counted socket: it goes when the socket goes, whoever owns the socket by then.
class PeerPlace final : public QObject
{
public:
    PeerPlace(QTcpSocket& socket, PeerConnections& connections, quint32 peer)
        : QObject(&socket), m_connections(connections), m_peer(peer)
    {
    }
    ~PeerPlace() override { m_connections.release(m_peer); }
    Q_DISABLE_COPY_MOVE(PeerPlace)

private:
    PeerConnections& m_connections;
    quint32 m_peer;
};

PeerConnections& PeerConnections::instance()
{
    static PeerConnections connections;
    return connections;
}

bool PeerConnections::admit(QTcpSocket& socket, quint32 peer_ipv4)
{
    int& held = m_held[peer_ipv4];
    if (held >= kMaxConnectionsPerPeer)
        return false;
    ++held;
    m_trim.note_open_connections(++m_open);
    new PeerPlace(socket, *this, peer_ipv4);
    return true;
}

void PeerConnections::release(quint32 peer_ipv4)
{
    if (--m_held[peer_ipv4] == 0)
        m_held.erase(peer_ipv4);
    m_trim.note_open_connections(--m_open);
}

} // namespace common
