#pragma once

// A loopback port that nobody listens on: a connection to it is refused at once.
int closed_loopback_port();

// A loopback port whose connections the kernel accepts from the listen queue but that nobody ever
// reads or answers: for time-outs. Closed when it goes out of scope.
class SilentListener final
{
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool listening() const { return m_port > 0; }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};
