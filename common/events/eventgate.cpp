#include "common/events/eventgate.h"

#include <QCoreApplication>

namespace common {

namespace {
bool g_suspended = false;
}

bool events_suspended()
{
    return g_suspended;
}

void suspend_events()
{
    g_suspended = true;
}

void release_events()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    g_suspended = false;
}

} // namespace common
