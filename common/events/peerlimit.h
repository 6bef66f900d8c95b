#pragma once

#include <unordered_map>

#include "common/events/memorytrim.h"

#include <QtGlobal>

class QTcpSocket;

// How many of the server's connections one peer may take. A hall needs a few per machine (eleven
// clients run from one PC in a demonstration hold 22); a hostile or broken peer meets these bounds
// long before it meets the system's limit of open files.
namespace common {

// Connections one peer address may hold at once across every listening control of the program.
inline constexpr int kMaxConnectionsPerPeer = 100;

// Accepted connections of one listening control that no handler has seen yet. At the bound the
// control stops accepting until they are seen, so the system's backlog holds the rest, not us.
inline constexpr int kMaxUnseenConnections = 200;

// The accepted connections of the whole program, counted by peer address, so that the bound holds
// across all its ports; once a burst of them has gone, the memory it took goes back to the system.
class PeerConnections final
{
public:
    // The program's count: every listening control of the thread that runs the handlers shares it.
    static PeerConnections& instance();

    // Counts socket against its peer's address for as long as the socket object lives (a graceful
    // close included); false, and nothing counted, when that address already holds
    // kMaxConnectionsPerPeer.
    bool admit(QTcpSocket& socket, quint32 peer_ipv4);
    int open() const { return m_open; }

private:
    friend class PeerPlace;
    void release(quint32 peer_ipv4);

    std::unordered_map<quint32, int> m_held;
    int m_open = 0;
    MemoryTrim m_trim;
};

} // namespace common
