#pragma once

#include <functional>

// Waits for a condition while dispatching events (the QTRY pattern): true as soon as it holds,
// false when timeout_ms passed first.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000);

// Lets the programs under test run for ms while dispatching events, for checks that something
// does not happen: nothing can be waited for then. reason says what would have shown up by then.
void settle_ms(int ms, const char* reason);
