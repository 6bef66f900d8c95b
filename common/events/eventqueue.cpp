#include "common/events/eventqueue.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QPointer>

namespace common {

namespace {

struct Entry
{
    QPointer<QObject> context;
    std::function<void()> run;
};

std::deque<Entry> g_entries;
int g_depth = 0;
bool g_pump_posted = false;
std::vector<const TimedWait*> g_waits;

void pump();

bool may_run()
{
    return !g_entries.empty() && g_depth < kMaxEventDepth &&
           std::none_of(g_waits.begin(), g_waits.end(), [](const TimedWait* wait) { return wait->is_overdue(); });
}

// One posted call at a time runs the queue; a nested loop runs it again, so the events behind the
// one that waits run inside its wait.
void post_pump()
{
    if (g_pump_posted || !may_run())
        return;
    g_pump_posted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &pump, Qt::QueuedConnection);
}

void pump()
{
    g_pump_posted = false;
    // What waits now, as Qt's own dispatch of posted events does; what comes meanwhile takes the
    // next call.
    for (size_t n = g_entries.size(); n > 0 && may_run(); --n) {
        Entry entry = std::move(g_entries.front());
        g_entries.pop_front();
        ++g_depth;
        post_pump();
        if (entry.context)
            entry.run();
        --g_depth;
    }
    post_pump();
}

} // namespace

void queue_event(QObject* context, std::function<void()> run)
{
    g_entries.push_back({context, std::move(run)});
    post_pump();
}

int event_depth()
{
    return g_depth;
}

TimedWait::TimedWait(QDeadlineTimer deadline) : m_deadline(deadline)
{
    g_waits.push_back(this);
}

TimedWait::~TimedWait()
{
    g_waits.erase(std::find(g_waits.begin(), g_waits.end(), this));
    post_pump();
}

} // namespace common
