#include "tests/support/kernelqueues.h"

#include <filesystem>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <QElapsedTimer>

int accepted_end_of(quint16 peer_port)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET &&
            ntohs(peer.sin_port) == peer_port && peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK))
            return fd;
    }
    return -1;
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
