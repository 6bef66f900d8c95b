#include "common/events/acceptor.h"

#include <cerrno>
#include <cstring>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/events/diagnostics.h"

#include <QSocketNotifier>

namespace common {

namespace {

QString system_error(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The peer gave up, or the network failed for this one connection: the next may well succeed.
bool only_this_connection_failed(int error)
{
    switch (error) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

} // namespace

Acceptor::Acceptor(QObject* parent) : QObject(parent)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { update_notifier(); });
}

Acceptor::~Acceptor()
{
    close();
}

bool Acceptor::listen(quint16 port)
{
    close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = system_error(errno);
        return false;
    }
    // A restarted server takes its ports back at once, its old connections still closing.
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        m_error = system_error(errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_port = port;
    m_error.clear();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Acceptor::connectionWaiting);
    update_notifier();
    return true;
}

void Acceptor::close()
{
    m_retry.stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Acceptor::pause()
{
    m_paused = true;
    update_notifier();
}

void Acceptor::resume()
{
    m_paused = false;
    update_notifier();
}

int Acceptor::accept()
{
    if (m_fd < 0 || m_paused || m_retry.isActive())
        return -1;
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            m_failing = false;
            return fd;
        }
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK)
            return -1;
        if (only_this_connection_failed(error))
            continue;
        // Out of files or memory: said once, then tried again on the timer, not on every wake-up.
        if (!m_failing)
            qCWarning(program_log).noquote()
                << "cannot accept on port" << m_port << "-" << system_error(error) << "- trying again";
        m_failing = true;
        m_retry.start(kRetryMs);
        update_notifier();
        return -1;
    }
}

void Acceptor::update_notifier()
{
    if (m_notifier)
        m_notifier->setEnabled(!m_paused && !m_retry.isActive());
}

} // namespace common
