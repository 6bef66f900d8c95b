#pragma once

#include "common/text/bytedata.h"

class QAbstractSocket;

// Byte moving shared by the two socket controls.
namespace common {

// Everything the socket holds for reading now, as one piece.
ByteData read_all_waiting(QAbstractSocket& socket);

// Hands data to the system without blocking. False on an error or when not all of it could be taken
// at once (a full send buffer); what is left then goes out as the peer reads.
bool write_now(QAbstractSocket& socket, const ByteData& data);

} // namespace common
