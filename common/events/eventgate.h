#pragma once

// While a program creates its window, timer ticks and accepted connections are dropped instead of
// queued: the handlers must not see anything that happened before the created handler ran.
// run_program uses this; tests of the socket and timer classes may too.
namespace common {

bool events_suspended();
void suspend_events();
// Dispatches what is already waiting while still suspended (so it is dropped: ticks are skipped,
// connections accepted meanwhile are closed without an event), then lets events through again.
void release_events();

} // namespace common
