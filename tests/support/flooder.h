#pragma once

#include <atomic>
#include <thread>

#include <QByteArray>

// A peer on a thread of its own that sends one word for every millisecond since it started, as fast
// as the receiver's kernel takes it, never reading what comes back: a flood of valid words from
// outside the event loop under test.
class Flooder final
{
public:
    // from: the loopback address this end binds, so a crowd can come from several hosts' addresses.
    Flooder(quint16 port, QByteArray word, const char* from = "127.0.0.1");
    ~Flooder();
    Flooder(const Flooder&) = delete;
    Flooder& operator=(const Flooder&) = delete;

    bool connected() const { return m_fd >= 0; }
    // Bytes the receiver's kernel has taken so far.
    qint64 sent() const { return m_sent.load(); }
    void stop();

private:
    void run();

    int m_fd = -1;
    QByteArray m_word;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::thread m_thread;
};

// This process's resident memory in KiB.
qint64 resident_kib();
