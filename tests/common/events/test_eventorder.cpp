#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/events/eventorder.h"
#include "common/events/eventqueue.h"

using common::kFreshEventReserve;
using common::kMaxEventDepth;
using common::QueuedEventView;
using common::WaitView;

namespace {

constexpr QueuedEventView kTick{.tick = true};
constexpr QueuedEventView kPeer{};
constexpr QueuedEventView kFresh{.fresh = true};
constexpr QueuedEventView kAtBound{.gives_way = true};
constexpr QueuedEventView kFreshAtBound{.gives_way = true, .fresh = true};

constexpr WaitView delay(int loop_level, bool overdue)
{
    return {loop_level, overdue};
}
constexpr WaitView poll(int loop_level)
{
    return {loop_level, false};
}

constexpr int kPastReserve = kMaxEventDepth + kFreshEventReserve;
constexpr std::optional<std::size_t> kNone;

struct Pick
{
    std::string rule;
    std::vector<QueuedEventView> events; // in the order they came
    int depth = 0;
    std::vector<WaitView> waits; // innermost last
    int loop_level = 0;
    std::optional<std::size_t> expected;
};

// Each row names the rule it shows (eventqueue.h's header comment).
const Pick kPicks[] = {
    {"events run in the order they came", {kPeer, kFresh, kPeer}, 3, {}, 0, 0},
    {"an arrival read before a tick starts before it", {kPeer, kTick}, 0, {}, 0, 0},
    {"a tick that came first starts first", {kTick, kPeer}, 0, {}, 0, 0},
    {"nothing queued starts nothing", {}, 0, {}, 0, kNone},

    {"an overdue delay starts nothing in its own loop", {kTick, kFresh, kPeer}, 1, {delay(1, true)}, 1, kNone},
    {"a delay not yet due starts events in its loop", {kPeer}, 1, {delay(1, false)}, 1, 0},
    {"a loop opened above an overdue delay goes on", {kPeer}, 1, {delay(1, true)}, 2, 0},
    {"an outer overdue delay holds nothing inside an inner one not due",
     {kPeer},
     2,
     {delay(1, true), delay(2, false)},
     2,
     0},
    {"an inner overdue delay holds inside an outer one not due",
     {kPeer},
     2,
     {delay(1, false), delay(2, true)},
     2,
     kNone},
    {"a poll inside an overdue delay's loop goes on", {kPeer}, 2, {delay(1, true), poll(1)}, 1, 0},

    {"a connection at its bound gives way to a later arrival", {kAtBound, kPeer}, 0, {}, 0, 1},
    {"a connection at its bound gives way to a later tick", {kAtBound, kAtBound, kTick}, 0, {}, 0, 2},
    {"a connection at its bound keeps its events' order", {kAtBound, kAtBound}, 0, {}, 0, 0},

    {"peer events start below the ceiling", {kPeer}, kMaxEventDepth - 1, {}, 0, 0},
    {"peer events wait at the ceiling", {kPeer, kAtBound}, kMaxEventDepth, {}, 0, kNone},
    {"ticks pass the ceiling", {kPeer, kTick}, kMaxEventDepth, {}, 0, 1},
    {"ticks pass the ceiling and the reserve", {kPeer, kFresh, kTick}, kPastReserve + 10, {}, 0, 2},
    {"a fresh connection's events pass the ceiling", {kPeer, kFresh}, kMaxEventDepth, {}, 0, 1},
    {"a fresh connection's events take the reserve's last level", {kPeer, kFresh}, kPastReserve - 1, {}, 0, 1},
    {"a fresh connection's events stop past the reserve", {kPeer, kFresh}, kPastReserve, {}, 0, kNone},
    {"the only event that may start starts, at its bound or not", {kAtBound, kFreshAtBound}, kMaxEventDepth, {}, 0, 1},
};

TEST(EventOrder, PicksTheNextEventByTheQueuesRules)
{
    for (const Pick& pick : kPicks)
        EXPECT_EQ(common::next_event(pick.events, pick.depth, pick.waits, pick.loop_level), pick.expected) << pick.rule;
}

} // namespace
