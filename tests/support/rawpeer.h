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

private:
    End read_available();

    int m_fd = -1;
    QByteArray m_received;
};
