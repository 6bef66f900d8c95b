#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/events/memorytrim.h"

using common::TrimRule;

namespace {

constexpr int kGone = TrimRule::kConnectionsGone;
// In a row's counts: the trim that fell due runs here.
constexpr int kTrimRuns = -1;

struct Fall
{
    std::string rule;
    std::vector<int> counts; // the open connections, in the order they changed
    int trims;               // how often a trim fell due
};

std::vector<int> rise_and_fall(int from, int to, int back_to)
{
    std::vector<int> counts;
    for (int open = from; open <= to; ++open)
        counts.push_back(open);
    for (int open = to - 1; open >= back_to; --open)
        counts.push_back(open);
    return counts;
}

std::vector<int> operator+(std::vector<int> first, const std::vector<int>& then)
{
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// A hall of eleven clients run from two PCs, logging in and out all contest long.
const std::vector<int> kHall = rise_and_fall(0, 22, 0) + rise_and_fall(0, 22, 11) + rise_and_fall(11, 44, 0);

const Fall kFalls[] = {
    {"a hall's own comings and goings never trim", kHall + kHall + kHall, 0},
    {"the fall of a burst trims once", rise_and_fall(0, 3 * kGone, 0), 1},
    {"a fall to half the peak trims", rise_and_fall(0, 4 * kGone, 2 * kGone), 1},
    {"a fall that stays above half the peak does not", rise_and_fall(0, 4 * kGone, 2 * kGone + 1), 0},
    {"a fall of fewer connections than a burst does not", rise_and_fall(0, kGone + 50, 51), 0},
    {"a fall of a burst's connections does", rise_and_fall(0, kGone + 50, 50), 1},
    {"a due trim is not due again before it ran", rise_and_fall(0, 3 * kGone, 10) + rise_and_fall(10, 3 * kGone, 0), 1},
    {"after a trim the next burst trims again",
     rise_and_fall(0, 3 * kGone, 10) + std::vector{kTrimRuns} + rise_and_fall(10, 3 * kGone, 0), 2},
    {"after a trim the hall's own comings and goings do not",
     rise_and_fall(0, 3 * kGone, 0) + std::vector{kTrimRuns} + kHall + kHall, 1},
};

TEST(MemoryTrim, TrimsAfterTheFallOfABurstOnly)
{
    for (const Fall& fall : kFalls) {
        TrimRule rule;
        int trims = 0;
        for (int open : fall.counts) {
            if (open == kTrimRuns)
                rule.trimmed();
            else
                trims += rule.note_open_connections(open) ? 1 : 0;
        }
        EXPECT_EQ(trims, fall.trims) << fall.rule;
    }
}

} // namespace
