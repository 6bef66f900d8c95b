#include "common/events/eventorder.h"

#include "common/events/eventqueue.h"

namespace common {

namespace {

// Only the innermost wait can hold: whatever runs above it runs in a loop of its own.
bool held(std::span<const WaitView> waits, int loop_level)
{
    return !waits.empty() && waits.back().overdue && waits.back().loop_level == loop_level;
}

bool may_start(const QueuedEventView& event, int depth)
{
    if (event.tick || depth < kMaxEventDepth)
        return true;
    return event.fresh && depth < kMaxEventDepth + kFreshEventReserve;
}

} // namespace

// The first event that may start, in the order they came, except that the events of a connection at
// its bound give way to every other event. One connection's events keep their order, as they all give
// way or none does.
std::optional<std::size_t> next_event(std::span<const QueuedEventView> events, int depth,
                                      std::span<const WaitView> waits, int loop_level)
{
    if (held(waits, loop_level))
        return std::nullopt;
    std::optional<std::size_t> flooding;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!may_start(events[i], depth))
            continue;
        if (!events[i].gives_way)
            return i;
        if (!flooding)
            flooding = i;
    }
    return flooding;
}

} // namespace common
