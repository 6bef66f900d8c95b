#include "common/events/peerlimit.h"

#include <unordered_map>

#include <QTcpSocket>

namespace common {

namespace {

// One count for the whole program: the bound holds across all its ports.
std::unordered_map<quint32, int> g_held;

// A child of the counted socket: it goes when the socket goes, whoever owns the socket by then.
class PeerPlace final : public QObject
{
public:
    PeerPlace(QTcpSocket& socket, quint32 peer) : QObject(&socket), m_peer(peer) { ++g_held[peer]; }
    ~PeerPlace() override
    {
        if (--g_held[m_peer] == 0)
            g_held.erase(m_peer);
    }
    Q_DISABLE_COPY_MOVE(PeerPlace)

private:
    quint32 m_peer;
};

} // namespace

bool admit_peer_connection(QTcpSocket& socket, quint32 peer_ipv4)
{
    const auto held = g_held.find(peer_ipv4);
    if (held != g_held.end() && held->second >= kMaxConnectionsPerPeer)
        return false;
    new PeerPlace(socket, peer_ipv4);
    return true;
}

} // namespace common
