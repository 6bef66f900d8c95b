#include "common/events/socketio.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QAbstractSocket>

namespace common {

namespace {

constexpr qint64 kReadBufferBytes = 64 * 1024;
// Idle seconds before the first probe, seconds between probes, probes unanswered: 5 + 3 * 2 s.
constexpr int kKeepIdleSeconds = 5;
constexpr int kKeepIntervalSeconds = 2;
constexpr int kKeepProbes = 3;
// Sent data that stays unacknowledged this long ends the link too.
constexpr unsigned kUnacknowledgedMs = 15000;

void set_option(int fd, int level, int name, int value)
{
    ::setsockopt(fd, level, name, &value, sizeof value);
}

} // namespace

void prepare_connection(QAbstractSocket& socket)
{
    socket.setReadBufferSize(kReadBufferBytes);
    const int fd = static_cast<int>(socket.socketDescriptor());
    if (fd < 0)
        return;
    set_option(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    set_option(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
    set_option(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
    set_option(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepProbes);
    set_option(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(kUnacknowledgedMs));
}

ByteData read_all_waiting(QAbstractSocket& socket)
{
    return socket.readAll();
}

bool write_now(QAbstractSocket& socket, const ByteData& data)
{
    if (socket.state() != QAbstractSocket::ConnectedState)
        return false;
    // What the system takes now does not count against the bound.
    socket.flush();
    if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesToWrite() + data.size() > kMaxUnsentBytes)
        return false;
    if (socket.write(data) != data.size())
        return false;
    socket.flush();
    // A failed flush aborts the socket and empties its buffer: only a socket still connected has
    // really handed everything over.
    return socket.state() == QAbstractSocket::ConnectedState && socket.bytesToWrite() == 0;
}

} // namespace common
