#pragma once

#include <functional>
#include <memory>

#include <QDeadlineTimer>

class QObject;

// The one queue that socket events and timer ticks go through. They run one at a time in the order
// they came, from whatever event loop runs: a handler that waits (delay_ms, a modal box, a poll)
// lets the later ones run nested inside it. Bounds keep a peer that sends words whose handlers wait,
// faster than the waits end, from overflowing the stack or starving the rest:
// - a connection with kMaxConnectionDepth events queued or running is not read until they unwind;
// - peer events nest at most kMaxEventDepth deep in the whole program;
// - a wait whose time is up starts nothing directly inside its own loop, so that it can return;
//   whatever runs above it (a later wait, a modal box, a poll) goes on handling events;
// - the events of a connection at its bound give way to the others; ticks are not held by the
//   program's ceiling, and a new connection's first events may pass it by a few levels: a flood
//   cannot starve the countdown or keep a machine from logging in.
namespace common {

// Events of one connection queued or running at once: past this its bytes are not read until they
// unwind. A contest nests two or three ("over", "提交", "over" within a second).
inline constexpr int kMaxConnectionDepth = 4;

// Queued peer events running at once, nested. A waiting handler's level takes a few KiB of stack,
// so this stays far inside it; a contest nests two or three.
inline constexpr int kMaxEventDepth = 64;

// Levels past kMaxEventDepth that a new connection's first events (its accept and first arrival) may
// take: a login is answered at once even while floods hold every level below.
inline constexpr int kFreshEventReserve = 8;

// A connection as the queue weighs it: the events of one at its bound give way to the others, a
// fresh one's may pass the ceiling. Its owner counts; the queue tells it when one of its events
// starts.
class EventSource
{
public:
    virtual ~EventSource() = default;
    virtual bool at_bound() const = 0;
    virtual bool is_fresh() const = 0;
    virtual void event_started() = 0;
};

// Runs `run` behind every event queued before it, unless context has been destroyed by then. An
// event of a connection names its source; one without a source is a timer's tick (at most one per
// timer is queued or running, so the ceiling need not hold it).
void queue_event(QObject* context, std::function<void()> run, std::shared_ptr<EventSource> source = {});

// Queued handlers running now, nested in one another.
int event_depth();

// A handler's wait that dispatches events, for as long as it is under way: a delay in a loop of its
// own until its deadline, or a poll of what is waiting (no deadline). Once a delay's time is up, no
// queued event starts directly inside its loop: those above it unwind, it returns, and the held
// events run below it. Without this, words that keep coming would keep a wait from ever returning.
class DispatchingWait final
{
public:
    // A delay that runs its own event loop until deadline.
    explicit DispatchingWait(QDeadlineTimer deadline);
    // A poll: it holds nothing.
    DispatchingWait();
    ~DispatchingWait();
    DispatchingWait(const DispatchingWait&) = delete;
    DispatchingWait& operator=(const DispatchingWait&) = delete;

    // True while events would start directly inside this wait's own loop after its time is up.
    bool holds_here(int loop_level) const { return loop_level == m_loop_level && m_deadline.hasExpired(); }

private:
    QDeadlineTimer m_deadline;
    int m_loop_level = 0;
};

} // namespace common
