#include "common/events/gracefulclose.h"

#include <set>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace common {

namespace {

// A peer that never closes its end keeps the closer no longer than this.
constexpr int kLingerMs = 5000;

class Closer;

// The closes under way on this thread (the one that owns their sockets), which the program's end
// finishes; each closer registers itself for its lifetime.
class GracefulCloses final
{
public:
    static GracefulCloses& of_this_thread()
    {
        thread_local GracefulCloses closes;
        return closes;
    }

    void add(Closer* closer) { m_closers.insert(closer); }
    void remove(Closer* closer) { m_closers.erase(closer); }
    void finish(int timeout_ms);

private:
    std::set<Closer*> m_closers;
};

class Closer final : public QObject
{
public:
    Closer(QTcpSocket* socket, GracefulCloses& owner) : m_socket(socket), m_owner(owner)
    {
        m_owner.add(this);
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this] { drain(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { half_close_when_sent(); });
        connect(socket, &QTcpSocket::disconnected, this, &Closer::done);
        connect(socket, &QTcpSocket::errorOccurred, this, [this] {
            if (m_socket->state() != QAbstractSocket::ConnectedState)
                done();
        });
        m_linger.setSingleShot(true);
        connect(&m_linger, &QTimer::timeout, this, &Closer::done);
        m_linger.start(kLingerMs);
        m_socket->flush();
        half_close_when_sent();
        drain();
    }
    ~Closer() override { m_owner.remove(this); }

    // The exit path: no event loop runs any more, so wait here, bounded.
    void finish(const QElapsedTimer& clock, int timeout_ms)
    {
        while (!m_half_closed && m_socket->state() == QAbstractSocket::ConnectedState && clock.elapsed() < timeout_ms) {
            m_socket->waitForBytesWritten(static_cast<int>(timeout_ms - clock.elapsed()));
            half_close_when_sent();
        }
        // Until the peer has taken what the kernel still holds for it, a close could still reset.
        const int fd = static_cast<int>(m_socket->socketDescriptor());
        int unsent = 0;
        while (fd >= 0 && clock.elapsed() < timeout_ms && ::ioctl(fd, SIOCOUTQ, &unsent) == 0 && unsent > 0)
            m_socket->waitForReadyRead(10);
        drain();
        drain_kernel();
    }

private:
    void half_close_when_sent()
    {
        if (m_half_closed || m_socket->bytesToWrite() > 0 || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_half_closed = true;
        ::shutdown(static_cast<int>(m_socket->socketDescriptor()), SHUT_WR);
    }

    void drain() { m_socket->readAll(); }

    // Bytes Qt has not been told about yet.
    void drain_kernel()
    {
        const int fd = static_cast<int>(m_socket->socketDescriptor());
        char sink[4096];
        while (fd >= 0 && ::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
        }
    }

    void done()
    {
        if (m_done)
            return;
        m_done = true;
        m_linger.stop();
        drain_kernel();
        deleteLater();
    }

    QTcpSocket* m_socket;
    GracefulCloses& m_owner;
    QTimer m_linger;
    bool m_half_closed = false;
    bool m_done = false;
};

void GracefulCloses::finish(int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    const std::set<Closer*> closers = m_closers;
    for (Closer* closer : closers)
        closer->finish(clock, timeout_ms);
    for (Closer* closer : closers)
        delete closer;
}

} // namespace

void close_gracefully(QTcpSocket* socket)
{
    if (!socket)
        return;
    socket->disconnect();
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    new Closer(socket, GracefulCloses::of_this_thread());
}

void finish_graceful_closes(int timeout_ms)
{
    GracefulCloses::of_this_thread().finish(timeout_ms);
}

} // namespace common
