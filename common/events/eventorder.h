#pragma once

#include <cstddef>
#include <optional>
#include <span>

// The rule that picks which queued event starts next (stated in eventqueue.h), on plain values: the
// queue describes its entries and waits this way and applies the answer, and a test can drive the
// rule with made-up ones.
namespace common {

// One queued event.
struct QueuedEventView
{
    bool tick = false;      // a timer's tick, not a connection's event
    bool gives_way = false; // its connection is at its bound
    bool fresh = false;     // one of its connection's first events
};

// One wait under way.
struct WaitView
{
    int loop_level = 0;   // the loop level at which events would start directly inside it
    bool overdue = false; // a delay whose time is up; a poll never is
};

// The index of the event to start now among events (in the order they came), or none. depth: queued
// handlers running now; waits: those under way, innermost last; loop_level: the current loop's level.
std::optional<std::size_t> next_event(std::span<const QueuedEventView> events, int depth,
                                      std::span<const WaitView> waits, int loop_level);

} // namespace common
