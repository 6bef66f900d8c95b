#pragma once

#include <functional>

#include <QDeadlineTimer>

class QObject;

// The one queue that socket events and timer ticks go through. They run one at a time in the order
// they came, from whatever event loop runs: a handler that waits (delay_ms, a modal box) lets the
// later ones run nested inside it. How deep they nest is bounded, so a peer that sends words whose
// handlers wait, faster than the waits end, cannot overflow the stack: at the ceiling the queue holds
// its events until the handlers unwind (and each connection stops reading long before, see
// kMaxConnectionDepth); and a wait whose time is up holds them too until it has returned.
namespace common {

// Queued handlers running at once, nested. A waiting handler's level takes a few KiB of stack, so
// this stays far inside it; a contest nests two or three.
inline constexpr int kMaxEventDepth = 64;

// Runs `run` behind every event queued before it, unless context has been destroyed by then.
void queue_event(QObject* context, std::function<void()> run);

// Queued handlers running now, nested in one another.
int event_depth();

// A handler's timed wait (delay_ms), for as long as it is under way. Once its time is up no queued
// event starts nested above it: those above unwind, it returns, and the held events run below it.
// Without this, words that keep coming would keep a wait from ever returning.
class TimedWait final
{
public:
    explicit TimedWait(QDeadlineTimer deadline);
    ~TimedWait();
    TimedWait(const TimedWait&) = delete;
    TimedWait& operator=(const TimedWait&) = delete;

    bool is_overdue() const { return m_deadline.hasExpired(); }

private:
    QDeadlineTimer m_deadline;
};

} // namespace common
