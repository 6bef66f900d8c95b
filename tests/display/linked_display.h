#pragma once

#include "tests/display/display_harness.h"

#include <QByteArray>

// The display started against two stand-in server ports on this machine (a private network
// namespace), with both links made at once instead of after the timers' first 5 seconds.
class LinkedDisplay
{
public:
    // ip_text: what the display's ip.txt holds.
    explicit LinkedDisplay(const QByteArray& ip_text = "127.0.0.1");

    // Sends on the control link and waits until the display's handler has run to its end.
    bool control(const QByteArray& message);
    // The same on the picture link.
    bool photo(const QByteArray& message);

    DisplayHarness h;
    FakeServerPort control_port;
    FakeServerPort photo_port;
    bool linked = false;
};
