#pragma once

#include <functional>

#include <QString>

// What the benchmarks that run the real windows and sockets share.

// Runs this program again inside a private network namespace with only loopback up, so that the
// fixed contest ports are free; returns at once when already inside one.
void enter_private_network(int argc, char** argv);

// ORUVAN_SOURCE_DIR and ORUVAN_BUILD_DIR as ctest sets them for tests, and the offscreen platform,
// unless the caller's environment says otherwise.
void set_default_environment();

// Puts an FTP server launcher that starts nothing into a server's program folder: the server starts
// ftpserver.exe from there at start, and these benchmarks fetch no picture. Without one the server
// reports, rightly, that it cannot start it. False when it cannot be written.
bool place_idle_ftp_launcher(const QString& folder);

// Dispatches events as they come, sleeping only in the event loop, until condition holds or
// timeout_ms passes. The test helpers' polling wait sleeps between rounds, which would show up as
// lateness of the ticks.
bool wait_events_until(const std::function<bool()>& condition, int timeout_ms);
