#include "common/events/eventqueue.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace common {

namespace {

struct Entry
{
    QPointer<QObject> context;
    std::function<void()> run;
    std::shared_ptr<EventSource> source; // none for a tick

    bool is_tick() const { return source == nullptr; }
    bool gives_way() const { return source && source->at_bound(); }
};

std::deque<Entry> g_entries;
int g_depth = 0;
bool g_pump_posted = false;
std::vector<const DispatchingWait*> g_waits;
QPointer<QAbstractEventDispatcher> g_watched_dispatcher;

void pump();

int loop_level()
{
    return QThread::currentThread()->loopLevel();
}

// Only the innermost wait can hold: whatever runs above it runs in a loop of its own.
bool held_here()
{
    return !g_waits.empty() && g_waits.back()->holds_here(loop_level());
}

bool may_start(const Entry& entry)
{
    if (entry.is_tick() || g_depth < kMaxEventDepth)
        return true;
    return entry.source->is_fresh() && g_depth < kMaxEventDepth + kFreshEventReserve;
}

// The first event that may start now (see may_start), in the order they came, except that the events of a
// connection at its bound give way to every other event. One connection's events keep their order,
// as they all give way or none does.
std::optional<size_t> next_entry()
{
    if (held_here())
        return std::nullopt;
    std::optional<size_t> flooding;
    for (size_t i = 0; i < g_entries.size(); ++i) {
        const Entry& entry = g_entries[i];
        if (!may_start(entry))
            continue;
        if (!entry.gives_way())
            return i;
        if (!flooding)
            flooding = i;
    }
    return flooding;
}

// One posted call at a time runs the queue; a nested loop runs it again, so the events behind the
// one that waits run inside its wait.
void post_pump()
{
    if (g_pump_posted || !next_entry())
        return;
    g_pump_posted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &pump, Qt::QueuedConnection);
}

// Events held by an overdue wait may run in another loop opened above it (a modal box): each loop
// looks again before it sleeps.
void watch_loops()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || dispatcher == g_watched_dispatcher)
        return;
    g_watched_dispatcher = dispatcher;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, &post_pump);
}

void pump()
{
    g_pump_posted = false;
    // What waits now, as Qt's own dispatch of posted events does; what comes meanwhile takes the
    // next call.
    for (size_t n = g_entries.size(); n > 0; --n) {
        const std::optional<size_t> next = next_entry();
        if (!next)
            break;
        Entry entry = std::move(g_entries[*next]);
        g_entries.erase(g_entries.begin() + static_cast<std::ptrdiff_t>(*next));
        if (entry.source)
            entry.source->event_started();
        ++g_depth;
        post_pump();
        if (entry.context)
            entry.run();
        --g_depth;
    }
    post_pump();
}

} // namespace

void queue_event(QObject* context, std::function<void()> run, std::shared_ptr<EventSource> source)
{
    watch_loops();
    g_entries.push_back({context, std::move(run), std::move(source)});
    post_pump();
}

int event_depth()
{
    return g_depth;
}

DispatchingWait::DispatchingWait(QDeadlineTimer deadline) : m_deadline(deadline), m_loop_level(loop_level() + 1)
{
    g_waits.push_back(this);
}

DispatchingWait::DispatchingWait() : m_deadline(QDeadlineTimer::Forever), m_loop_level(loop_level())
{
    g_waits.push_back(this);
    post_pump();
}

DispatchingWait::~DispatchingWait()
{
    g_waits.erase(std::find(g_waits.begin(), g_waits.end(), this));
    post_pump();
}

} // namespace common
