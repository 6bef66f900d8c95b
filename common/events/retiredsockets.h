#pragma once

#include <vector>

#include <QPointer>

class QAbstractSocket;

// Closed sockets wait here until no handler of their control runs any more, then go to
// deleteLater. Deleting a socket whose signal is still on the stack (a handler that nests an event
// loop and meanwhile sees its own connection close) would pull it from under Qt.
namespace common {

class RetiredSockets final
{
    Q_DISABLE_COPY_MOVE(RetiredSockets)

public:
    RetiredSockets() = default;
    ~RetiredSockets();

    // Marks a running slot of the control; sockets are released when the outermost one ends.
    class Busy final
    {
        Q_DISABLE_COPY_MOVE(Busy)

    public:
        explicit Busy(RetiredSockets& owner) : m_owner(owner) { ++m_owner.m_depth; }
        ~Busy();

    private:
        RetiredSockets& m_owner;
    };

    // Disconnects the socket's signals, aborts it and deletes it once it is safe.
    void retire(QAbstractSocket* socket);

private:
    void release();

    int m_depth = 0;
    std::vector<QPointer<QAbstractSocket>> m_sockets;
};

} // namespace common
