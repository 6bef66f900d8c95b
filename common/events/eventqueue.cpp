#include "common/events/eventqueue.h"

#include <deque>
#include <utility>

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

void pump();

// One posted call at a time runs the queue; a nested loop runs it again, so the events behind the
// one that waits run inside its wait.
void post_pump()
{
    if (g_pump_posted || g_entries.empty() || g_depth >= kMaxEventDepth)
        return;
    g_pump_posted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &pump, Qt::QueuedConnection);
}

void pump()
{
    g_pump_posted = false;
    // What waits now, as Qt's own dispatch of posted events does; what comes meanwhile takes the
    // next call.
    for (size_t n = g_entries.size(); n > 0 && !g_entries.empty() && g_depth < kMaxEventDepth; --n) {
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

} // namespace common
