#pragma once

#include <QByteArray>

// A peer on a plain POSIX socket, for what Qt hides: whether a connection ended with FIN or with a
// reset, and a reset of its own. Its reads never block; the waits dispatch events meanwhile.
class RawPeer final
{
public:
    enum class End
    {
        Open,
        EndOfStream,
        Reset
    };

    RawPeer() = default;
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connect_to(quint16 port);
    // Connects from 127.0.0.1:local_port (any port when 0) with the address reusable, so that a peer
    // after this one, once it has reset, can come from the same address and port at once.
    bool connect_reusing(quint16 port, quint16 local_port = 0);
    quint16 local_port() const;
    // The server's side: a listener on the loopback port, and the connection taken from it.
    static int listen_on(quint16 port);
    bool accept_from(int listener);
    // Writes straight to the kernel; the receiver's event loop has not seen it yet.
    bool send(const QByteArray& bytes);
    // Closes with a reset (linger 0) instead of FIN.
    void reset();

    // Reads until the peer ends the connection or timeout_ms passes.
    End wait_end(int timeout_ms = 5000);
    const QByteArray& received() const { return m_received; }
    // Blocks without dispatching events until bytes in all have been received, for a peer on a
    // thread of its own; false when timeout_ms passes first or the connection ends.
    bool receive(qsizetype bytes, int timeout_ms);

private:
    End read_available();

    int m_fd = -1;
    QByteArray m_received;
};
