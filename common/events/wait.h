#pragma once

// Waiting inside a handler: both dispatch events (timer ticks, socket arrivals, clicks), whose
// handlers then run nested inside the wait; once a delay's time is up, queued ticks and arrivals no
// longer start directly inside it (see DispatchingWait).
namespace common {

// Returns once more than ms milliseconds have passed; ms <= 0 returns at once. The thread sleeps in
// the event loop rather than spinning. Returns early when the program is ending.
void delay_ms(int ms);

// Dispatches the events already waiting, then returns.
void process_pending_events();

} // namespace common
