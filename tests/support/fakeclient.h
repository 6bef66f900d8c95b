#pragma once

#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>

// A stand-in peer (contestant machine, display, judge, examiner): a plain QTcpSocket in the test's
// own thread that records every piece it receives with its arrival time. Its waits dispatch events,
// so the server part under test runs meanwhile.
class FakeClient final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeClient)

public:
    struct Arrival
    {
        QByteArray bytes;
        qint64 at_ms = 0; // since the client was made
    };

    explicit FakeClient(QObject* parent = nullptr);

    // Connects and waits until the connection stands (or timeout_ms). from_host: the network
    // namespace this end lives in (HostScope), empty for the test's own.
    bool connect_to(quint16 port, const QString& host = QStringLiteral("127.0.0.1"), int timeout_ms = 5000,
                    const QString& from_host = {});
    // Writes everything and waits until it has left the socket.
    bool send(const QByteArray& bytes);
    void close();
    bool is_connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    // This end's address as the server names it: "127.0.0.1:port".
    QByteArray client_address() const;

    // Everything received so far, joined, and piece by piece.
    QByteArray received() const;
    const std::vector<Arrival>& arrivals() const { return m_arrivals; }
    void clear_received() { m_arrivals.clear(); }
    qint64 elapsed_ms() const { return m_clock.elapsed(); }

    bool wait_for_bytes(qsizetype count, int timeout_ms = 5000);
    bool wait_for(const QByteArray& wanted, int timeout_ms = 5000);
    // The server closed the connection (or it broke).
    bool wait_closed(int timeout_ms = 5000);
    bool closed_by_peer() const { return m_closed; }

    QTcpSocket& socket() { return m_socket; }

private:
    void on_ready_read();

    QTcpSocket m_socket;
    QElapsedTimer m_clock;
    std::vector<Arrival> m_arrivals;
    bool m_closed = false;
};
