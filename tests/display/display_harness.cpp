#include "tests/display/display_harness.h"

#include "common/events/ftpclient.h"
#include "display/globals.h"
#include "tests/support/pictures.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QImage>
#include <QPainter>

DisplayHarness::DisplayHarness() = default;

DisplayHarness::~DisplayHarness()
{
    window.reset();
    common::ftp_disconnect();
    display::free_server_address();
}

void DisplayHarness::start()
{
    display::init_server_address();
    window = std::make_unique<display::DisplayWindow>(dialogs, sound);
    window->on_display_window_created();
    window->show();
}

FakeServerPort::FakeServerPort(quint16 port, QObject* parent) : QObject(parent)
{
    m_clock.start();
    m_server.listen(QHostAddress::AnyIPv4, port);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            const std::size_t index = m_peers.size();
            m_peers.push_back({socket, {}, m_clock.elapsed()});
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, index] { m_peers[index].received += m_peers[index].socket->readAll(); });
        }
    });
}

bool FakeServerPort::send_to_newest(const QByteArray& bytes)
{
    if (m_peers.empty())
        return false;
    QTcpSocket* socket = m_peers.back().socket;
    socket->write(bytes);
    return wait_until([socket] { return socket->bytesToWrite() == 0; }, 5000);
}

void FakeServerPort::close_newest()
{
    if (!m_peers.empty())
        m_peers.back().socket->disconnectFromHost();
}

bool FakeServerPort::wait_for_peers(qsizetype wanted, int timeout_ms)
{
    return wait_until([this, wanted] { return count() >= wanted; }, timeout_ms);
}

void save_screenshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("ORUVAN_BUILD_DIR", QDir::tempPath()) + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QByteArray handwriting_jpeg(int figure, QColor colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(colour, 12));
    QFont font = painter.font();
    font.setPixelSize(height * 2 / 3);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(figure));
    painter.end();
    return encoded_picture(image, "JPG", 90);
}
