#include "tests/support/fakeclient.h"

#include "tests/support/hostscope.h"
#include "tests/support/waits.h"

FakeClient::FakeClient(QObject* parent) : QObject(parent)
{
    m_clock.start();
    connect(&m_socket, &QTcpSocket::readyRead, this, &FakeClient::on_ready_read);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { m_closed = true; });
}

bool FakeClient::connect_to(quint16 port, const QString& host, int timeout_ms, const QString& from_host)
{
    m_closed = false;
    {
        // An address literal makes Qt create the socket inside connectToHost.
        const HostScope from(from_host);
        if (!from.entered())
            return false;
        m_socket.connectToHost(host, port);
    }
    return wait_until([this] { return is_connected() || m_socket.state() == QAbstractSocket::UnconnectedState; },
                      timeout_ms) &&
           is_connected();
}

bool FakeClient::send(const QByteArray& bytes)
{
    if (!is_connected() || m_socket.write(bytes) != bytes.size())
        return false;
    return wait_until([this] { return m_socket.bytesToWrite() == 0; });
}

void FakeClient::close()
{
    m_socket.close();
}

QByteArray FakeClient::client_address() const
{
    return m_socket.localAddress().toString().toLatin1() + ':' + QByteArray::number(m_socket.localPort());
}

QByteArray FakeClient::received() const
{
    QByteArray all;
    for (const Arrival& arrival : m_arrivals)
        all += arrival.bytes;
    return all;
}

bool FakeClient::wait_for_bytes(qsizetype count, int timeout_ms)
{
    return wait_until([&] { return received().size() >= count; }, timeout_ms);
}

bool FakeClient::wait_for(const QByteArray& wanted, int timeout_ms)
{
    return wait_until([&] { return received().contains(wanted); }, timeout_ms);
}

bool FakeClient::wait_closed(int timeout_ms)
{
    return wait_until([this] { return m_closed || m_socket.state() == QAbstractSocket::UnconnectedState; }, timeout_ms);
}

void FakeClient::on_ready_read()
{
    const QByteArray bytes = m_socket.readAll();
    if (!bytes.isEmpty())
        m_arrivals.push_back({bytes, m_clock.elapsed()});
}
