#include "common/events/socketio.h"

#include <QAbstractSocket>

namespace common {

ByteData read_all_waiting(QAbstractSocket& socket)
{
    return socket.readAll();
}

bool write_now(QAbstractSocket& socket, const ByteData& data)
{
    if (socket.state() != QAbstractSocket::ConnectedState)
        return false;
    if (socket.write(data) != data.size())
        return false;
    socket.flush();
    return socket.bytesToWrite() == 0;
}

} // namespace common
