#include "tests/support/flooder.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "tests/support/ports.h"

Flooder::Flooder(quint16 port, QByteArray word, const char* from) : m_word(std::move(word))
{
    m_fd = connect_from(from, port);
    // A send into a full window gives up after a while, so stop() is heard.
    const timeval limit{0, 100 * 1000};
    if (m_fd >= 0 && ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0)
        return;
    m_thread = std::thread([this] { run(); });
}

Flooder::~Flooder()
{
    stop();
    if (m_fd >= 0)
        ::close(m_fd);
}

void Flooder::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Flooder::run()
{
    // Paced by the clock, not by counting sleeps: on a busy machine a sleep of 1 ms lasts longer, and a
    // flood that slows with it is no flood. A thread that wakes late sends the words it owes at once.
    const auto started = std::chrono::steady_clock::now();
    qint64 words = 0;
    while (!m_stop) {
        const auto due =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        if (words > due.count()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const ssize_t n = ::send(m_fd, m_word.constData(), static_cast<size_t>(m_word.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_sent += n;
            ++words;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return;
        }
    }
}

qint64 resident_kib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
}
