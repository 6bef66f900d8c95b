#include "tests/support/connectioncrowd.h"

#include <algorithm>
#include <array>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/ports.h"

namespace {

struct Request
{
    char op = 0;
    quint16 port = 0;
    int first_host = 0;
    int hosts = 0;
    int per_host = 0;
};

constexpr int kRequestFd = 3;
constexpr int kAnswerFd = 4;
constexpr quint32 kFirstAddress = 0x7F000100; // 127.0.1.0

// The child of a threaded process: system calls only, no allocation.
[[noreturn]] void serve()
{
    static std::array<int, ConnectionCrowd::kMaxHeld> held;
    int count = 0;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    Request request;
    while (::read(kRequestFd, &request, sizeof request) == sizeof request) {
        int answer = 0;
        if (request.op == 'o') {
            for (int h = request.first_host; h < request.first_host + request.hosts; ++h)
                for (int k = 0; k < request.per_host && count < ConnectionCrowd::kMaxHeld; ++k)
                    if (const int fd = connect_from(kFirstAddress + static_cast<quint32>(h), request.port); fd >= 0) {
                        held[count++] = fd;
                        ++answer;
                    }
        } else if (request.op == 's') {
            for (int k = 0; k < count; ++k) {
                pollfd end{held[k], POLLRDHUP, 0};
                if (::poll(&end, 1, 0) == 0)
                    ++answer;
            }
        } else {
            for (answer = 0; answer < count; ++answer)
                ::close(held[answer]);
            count = 0;
        }
        ::write(kAnswerFd, &answer, sizeof answer);
    }
    ::_exit(0);
}

} // namespace

ConnectionCrowd::ConnectionCrowd(Wait wait) : m_wait(std::move(wait))
{
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    // The child keeps its standard streams and its two pipes.
    m_capacity = static_cast<int>(std::min<rlim_t>(files.rlim_max - kAnswerFd - 1, kMaxHeld));
    int requests[2];
    int answers[2];
    if (::pipe(requests) != 0)
        return;
    if (::pipe(answers) != 0) {
        ::close(requests[0]);
        ::close(requests[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        // Leaves the child nothing of the server's: no listener, no connection.
        const int request_copy = ::fcntl(requests[0], F_DUPFD, kAnswerFd + 1);
        const int answer_copy = ::fcntl(answers[1], F_DUPFD, kAnswerFd + 1);
        ::dup2(request_copy, kRequestFd);
        ::dup2(answer_copy, kAnswerFd);
        ::close_range(kAnswerFd + 1, ~0U, 0);
        serve();
    }
    ::close(requests[0]);
    ::close(answers[1]);
    m_requests = requests[1];
    m_answers = answers[0];
}

ConnectionCrowd::~ConnectionCrowd()
{
    ::close(m_requests);
    ::close(m_answers);
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
}

int ConnectionCrowd::open(quint16 port, int first_host, int hosts, int per_host)
{
    return ask('o', port, first_host, hosts, per_host);
}

int ConnectionCrowd::still_open()
{
    return ask('s');
}

int ConnectionCrowd::close_all()
{
    return ask('c');
}

int ConnectionCrowd::ask(char op, quint16 port, int first_host, int hosts, int per_host)
{
    const Request request{op, port, first_host, hosts, per_host};
    if (m_pid <= 0 || ::write(m_requests, &request, sizeof request) != sizeof request)
        return -1;
    // The server runs meanwhile: the child's connects may wait for its accepts.
    const bool ready = m_wait(
        [this] {
            pollfd answer{m_answers, POLLIN, 0};
            return ::poll(&answer, 1, 0) == 1;
        },
        120000);
    int value = -1;
    if (!ready || ::read(m_answers, &value, sizeof value) != sizeof value)
        return -1;
    return value;
}
