#include "tests/support/kernelqueues.h"

#include <filesystem>
#include <functional>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <QElapsedTimer>

namespace {

// The first file number of this process that is a socket meeting wanted, or -1.
int find_socket(const std::function<bool(int fd)>& wanted)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        if (wanted(fd))
            return fd;
    }
    return -1;
}

} // namespace

int accepted_end_of(quint16 peer_port)
{
    return find_socket([peer_port](int fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        return ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET &&
               ntohs(peer.sin_port) == peer_port && peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    });
}

int listener_on(quint16 port)
{
    return find_socket([port](int fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_in own{};
        socklen_t length = sizeof own;
        return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening != 0 &&
               ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length) == 0 && own.sin_family == AF_INET &&
               ntohs(own.sin_port) == port;
    });
}

bool wait_accept_queued(int listener, int timeout_ms)
{
    pollfd one{listener, POLLIN, 0};
    return listener >= 0 && ::poll(&one, 1, timeout_ms) == 1 && (one.revents & POLLIN) != 0;
}

bool wait_unread_in_kernel(int fd, qsizetype bytes, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int unread = 0;
        if (fd < 0 || ::ioctl(fd, FIONREAD, &unread) != 0)
            return false;
        if (unread >= bytes)
            return true;
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0)
            return false;
        // Wakes on the first byte; a message that comes in pieces is counted again.
        pollfd one{fd, unread > 0 ? short(0) : short(POLLIN), 0};
        ::poll(&one, 1, static_cast<int>(unread > 0 ? std::min<qint64>(left, 1) : left));
    }
}

bool wait_hang_up_in_kernel(int fd, int timeout_ms)
{
    // Hang-up and error are reported whatever is asked for: a FIN alone does not end this wait.
    pollfd one{fd, 0, 0};
    return fd >= 0 && ::poll(&one, 1, timeout_ms) == 1 && (one.revents & (POLLERR | POLLHUP)) != 0;
}
