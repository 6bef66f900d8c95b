#include "common/events/eventgate.h"

#include <QCoreApplication>

namespace common {

namespace {

// Whether the events of this thread are let through; the thread that runs the program's window
// has the one that counts.
class EventGate final
{
public:
    static EventGate& of_this_thread()
    {
        thread_local EventGate gate;
        return gate;
    }

    bool suspended() const { return m_suspended; }
    void suspend() { m_suspended = true; }
    void release()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_suspended = false;
    }

private:
    bool m_suspended = false;
};

} // namespace

bool events_suspended()
{
    return EventGate::of_this_thread().suspended();
}

void suspend_events()
{
    EventGate::of_this_thread().suspend();
}

void release_events()
{
    EventGate::of_this_thread().release();
}

} // namespace common
