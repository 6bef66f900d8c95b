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

// Hands data to the system without blocking. False on an error or when not all of it could be taken
// at once (a full send buffer); what is left then goes out as the peer reads.
bool write_now(QAbstractSocket& socket, const ByteData& data);

} // namespace common
