#include "common/events/eventqueue.h"

#include <algorithm>
#include <utility>

#include <QThread>

namespace common {

namespace {

int loop_level()
{
    return QThread::currentThread()->loopLevel();
}

} // namespace

EventQueue& EventQueue::of_this_thread()
{
    thread_local EventQueue queue;
    return queue;
}

void EventQueue::queue(QObject* context, std::function<void()> run, std::shared_ptr<EventSource> source)
{
    watch_loops();
    m_entries.push_back({context, std::move(run), std::move(source)});
    post_pump();
}

std::optional<size_t> EventQueue::next_entry()
{
    m_event_views.clear();
    for (const Entry& entry : m_entries) {
        const EventSource* source = entry.source.get();
        m_event_views.push_back({source == nullptr, source && source->at_bound(), source && source->is_fresh()});
    }
    m_wait_views.clear();
    for (const DispatchingWait* wait : m_waits)
        m_wait_views.push_back(wait->view());
    return next_event(m_event_views, m_depth, m_wait_views, loop_level());
}

// One posted call at a time runs the queue; a nested loop runs it again, so the events behind the
// one that waits run inside its wait.
void EventQueue::post_pump()
{
    if (m_pump_posted || !next_entry())
        return;
    m_pump_posted = true;
    QMetaObject::invokeMethod(
        &m_receiver, [this] { pump(); }, Qt::QueuedConnection);
}

// Events held by an overdue wait may run in another loop opened above it (a modal box): each loop
// looks again before it sleeps.
void EventQueue::watch_loops()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || dispatcher == m_watched_dispatcher)
        return;
    m_watched_dispatcher = dispatcher;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &m_receiver, [this] { post_pump(); });
}

void EventQueue::pump()
{
    m_pump_posted = false;
    // At most as many starts as events wait now, as Qt's own dispatch of posted events does, so that
    // one call ends; each is picked from the whole queue, which may hold events that came meanwhile.
    for (size_t n = m_entries.size(); n > 0; --n) {
        const std::optional<size_t> next = next_entry();
        if (!next)
            break;
        Entry entry = std::move(m_entries[*next]);
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*next));
        if (entry.source)
            entry.source->event_started();
        ++m_depth;
        post_pump();
        if (entry.context)
            entry.run();
        --m_depth;
    }
    post_pump();
}

void queue_event(QObject* context, std::function<void()> run, std::shared_ptr<EventSource> source)
{
    EventQueue::of_this_thread().queue(context, std::move(run), std::move(source));
}

int event_depth()
{
    return EventQueue::of_this_thread().depth();
}

DispatchingWait::DispatchingWait(QDeadlineTimer deadline)
    : m_queue(EventQueue::of_this_thread()), m_deadline(deadline), m_loop_level(loop_level() + 1)
{
    m_queue.m_waits.push_back(this);
}

DispatchingWait::DispatchingWait()
    : m_queue(EventQueue::of_this_thread()), m_deadline(QDeadlineTimer::Forever), m_loop_level(loop_level())
{
    m_queue.m_waits.push_back(this);
    m_queue.post_pump();
}

DispatchingWait::~DispatchingWait()
{
    m_queue.m_waits.erase(std::find(m_queue.m_waits.begin(), m_queue.m_waits.end(), this));
    m_queue.post_pump();
}

} // namespace common
