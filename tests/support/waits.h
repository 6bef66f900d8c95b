#pragma once

#include <functional>

// Waits for a condition while dispatching events (the QTRY pattern): true as soon as it holds,
// false when timeout_ms passed first.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000);
