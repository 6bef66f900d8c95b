#pragma once

class QTcpSocket;

// Closing a connection so that what was written before reaches the peer: the rest of the send
// buffer goes out, then FIN; what the peer still sends is read and dropped, so the kernel never
// answers with a reset that could discard the last message on the peer's side.
namespace common {

// Takes the socket over (its signals to others are cut) and deletes it once the peer has closed
// too, or after a few seconds at the most. A socket that is not connected is simply deleted.
void close_gracefully(QTcpSocket* socket);

// At program end: gives the closes still under way up to timeout_ms to get their data out and
// their FIN across, then closes them. Blocks; dispatches nothing.
void finish_graceful_closes(int timeout_ms);

} // namespace common
