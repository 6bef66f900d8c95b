#include "tests/support/rawpeer.h"

#include <cerrno>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/ports.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>

RawPeer::~RawPeer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawPeer::connect_to(quint16 port)
{
    m_fd = connect_from("127.0.0.1", port);
    return m_fd >= 0;
}

bool RawPeer::connect_reusing(quint16 port, quint16 local_port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(local_port);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in server = local;
    server.sin_port = htons(port);
    return m_fd >= 0 && ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
           ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
           ::connect(m_fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
}

quint16 RawPeer::local_port() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int RawPeer::listen_on(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool RawPeer::accept_from(int listener)
{
    m_fd = ::accept(listener, nullptr, nullptr);
    return m_fd >= 0;
}

bool RawPeer::send(const QByteArray& bytes)
{
    return ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

void RawPeer::reset()
{
    const linger now{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(m_fd);
    m_fd = -1;
}

RawPeer::End RawPeer::read_available()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            m_received.append(buffer, got);
            continue;
        }
        if (got == 0)
            return End::EndOfStream;
        return errno == EAGAIN || errno == EWOULDBLOCK ? End::Open : End::Reset;
    }
}

bool RawPeer::receive(qsizetype bytes, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (m_received.size() < bytes) {
        pollfd readable{m_fd, POLLIN, 0};
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0 || ::poll(&readable, 1, static_cast<int>(left)) != 1 || read_available() != End::Open)
            break;
    }
    return m_received.size() >= bytes;
}

RawPeer::End RawPeer::wait_end(int timeout_ms)
{
    End end = End::Open;
    wait_until([&] { return (end = read_available()) != End::Open; }, timeout_ms);
    return end;
}
