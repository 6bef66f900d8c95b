#pragma once

// A loopback port that nobody listens on: a connection to it is refused at once.
int closed_loopback_port();
