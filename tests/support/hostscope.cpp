#include "tests/support/hostscope.h"

#include <cstdlib>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

HostScope::HostScope(const QString& host)
{
    if (host.isEmpty()) {
        m_entered = true;
        return;
    }
    const int target =
        ::open(QStringLiteral("/run/netns/%1").arg(host).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (target < 0)
        return;
    m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    m_entered = m_home >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    ::close(target);
}

HostScope::~HostScope()
{
    if (m_home < 0)
        return;
    // A thread left on another host would give every later socket of the test a wrong address.
    if (m_entered && ::setns(m_home, CLONE_NEWNET) != 0)
        std::abort();
    ::close(m_home);
}
