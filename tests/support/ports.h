#pragma once

#include <QtGlobal>

// A loopback port that nobody listens on: a connection to it is refused at once.
int closed_loopback_port();

// A plain blocking socket connected to the loopback port from the loopback address from (in a private
// network namespace any 127.x.y.z stands for a host of its own); -1 when it cannot be made. Its
// port is picked at the connect, so connections made and closed in a loop may reuse ports.
int connect_from(const char* from, quint16 port);
// The same from the address in host byte order: only system calls, so a forked child may use it.
int connect_from(quint32 from_ipv4, quint16 port);

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
