#pragma once

#include <QtGlobal>

// What the kernel holds for a loopback connection of this process, for tests whose next step needs
// bytes or a reset to have reached the receiving socket: on a busy machine loopback delivery can be
// deferred well past any fixed sleep. The waits block without dispatching events, so the program's
// loop has not seen what arrived.

// The socket in this process accepted from the peer at 127.0.0.1:peer_port, or -1.
int accepted_end_of(quint16 peer_port);
// The socket in this process listening on port, or -1.
int listener_on(quint16 port);
// Waits until a connection is ready to be accepted on listener; false when timeout_ms passes first.
bool wait_accept_queued(int listener, int timeout_ms = 5000);
// Waits until fd holds at least bytes unread; false when timeout_ms passes first.
bool wait_unread_in_kernel(int fd, qsizetype bytes, int timeout_ms = 5000);
// Waits until fd has met the peer's reset (or both directions ended); false when timeout_ms passes first.
bool wait_hang_up_in_kernel(int fd, int timeout_ms = 5000);
