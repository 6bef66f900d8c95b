#pragma once

#include "common/text/bytedata.h"

class QAbstractSocket;

// Byte moving shared by the two socket controls.
namespace common {

// Sets up a connected socket: Qt buffers at most a bounded amount of its input, so bytes that are
// not read wait in the kernel and slow the sender down; and a peer that vanished without a word
// (power lost, cable pulled) ends the link within about 15 s instead of never.
void prepare_connection(QAbstractSocket& socket);

// Everything the socket holds for reading now, as one piece.
ByteData read_all_waiting(QAbstractSocket& socket);

// Bytes of one connection that the system has not taken yet, at most: of the order of a system send
// buffer, far above the few KiB of the largest contest message and the 64 KiB of one forwarded read.
// It bounds what a peer that reads slowly or not at all costs us.
inline constexpr qint64 kMaxUnsentBytes = 256 * 1024;

// Hands data to the system without blocking. False on an error, or when the data would take the
// connection's unsent bytes past kMaxUnsentBytes: then nothing of it is sent. Also false when not
// all of it could be taken at once (a full send buffer); what is left then goes out as the peer
// reads, so a message never arrives cut off.
bool write_now(QAbstractSocket& socket, const ByteData& data);

} // namespace common
