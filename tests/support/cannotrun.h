#pragma once

#include <gtest/gtest.h>

// True under CI (CI=true, as CI services set it).
bool running_under_ci();

// For a test that cannot run on this machine (no private network, no LAN of its own). On a
// developer's machine it skips and says why; under CI it fails and says why, since ctest counts a
// skip as passed and a CI run would then pass without ever running the test.
#define SKIP_OR_FAIL_UNDER_CI(why)                                                                                     \
    do {                                                                                                               \
        if (running_under_ci())                                                                                        \
            GTEST_FAIL() << (why) << " (CI=true: a test that cannot run fails)";                                       \
        GTEST_SKIP() << (why);                                                                                         \
    } while (false)
