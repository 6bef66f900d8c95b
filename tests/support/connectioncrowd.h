#pragma once

#include <functional>

#include <QtGlobal>

// A process of its own that holds idle connections to the server's ports from many loopback
// addresses (127.0.1.h for host h), so that the files they take count against the server's limit
// alone. Forked when made: make it before this process lowers its own limit of open files.
class ConnectionCrowd final
{
public:
    // A wait that dispatches the server's events until the condition holds or timeout_ms passes.
    using Wait = std::function<bool(const std::function<bool()>&, int)>;

    static constexpr int kMaxHeld = 16384;

    explicit ConnectionCrowd(Wait wait);
    ~ConnectionCrowd();
    ConnectionCrowd(const ConnectionCrowd&) = delete;
    ConnectionCrowd& operator=(const ConnectionCrowd&) = delete;

    bool running() const { return m_pid > 0; }
    // How many connections it may hold: its own limit of open files allows no more.
    int capacity() const { return m_capacity; }
    // Connects per_host times to port from each of hosts first_host, first_host + 1, ... and holds
    // the connections; how many stood, -1 without an answer.
    int open(quint16 port, int first_host, int hosts, int per_host);
    // How many held connections the server has not closed; -1 without an answer.
    int still_open();
    // Closes every held connection (FIN); how many, -1 without an answer.
    int close_all();

private:
    int ask(char op, quint16 port = 0, int first_host = 0, int hosts = 0, int per_host = 0);

    Wait m_wait;
    int m_capacity = 0;
    int m_pid = -1;
    int m_requests = -1;
    int m_answers = -1;
};
