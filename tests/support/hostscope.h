#pragma once

#include <QString>

// Makes the sockets that this thread creates meanwhile belong to another host of the test's private
// LAN: a network namespace named under /run/netns (tests/support/run-in-hall.sh makes them). A
// socket keeps its host for life, so the scope need only span its creation. An empty name stays on
// this process's own host.
class HostScope final
{
    Q_DISABLE_COPY_MOVE(HostScope)

public:
    explicit HostScope(const QString& host);
    ~HostScope();

    // False when the host could not be entered: sockets would then come from the wrong address.
    bool entered() const { return m_entered; }

private:
    int m_home = -1; // this thread's own network namespace while it is away
    bool m_entered = false;
};
