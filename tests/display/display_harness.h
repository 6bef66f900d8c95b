#pragma once

#include <memory>
#include <vector>

#include "common/text/bytedata.h"
#include "common/widgets/soundoutput.h"
#include "display/window/displaywindow.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/tempprogramfolder.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

// Records which sounds the display played, in order, instead of playing them.
class CountingSound final : public common::SoundOutput
{
public:
    bool play_sound(const common::ByteData& wav) override
    {
        played.push_back(wav);
        return true;
    }
    std::vector<common::ByteData> played;
};

// The real display window in a fresh program folder, created as the program creates it: the created
// handler, then shown (which lays it out once).
class DisplayHarness final
{
    Q_DISABLE_COPY_MOVE(DisplayHarness)

public:
    DisplayHarness();
    ~DisplayHarness();

    // Arrange files first (ip.txt, logo.png...), then start.
    void start();

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    CountingSound sound;
    std::unique_ptr<display::DisplayWindow> window;
};

// A stand-in contest server port: accepts every connection and remembers each with what it sent.
class FakeServerPort final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeServerPort)

public:
    struct Peer
    {
        QTcpSocket* socket = nullptr;
        QByteArray received;
        qint64 connected_ms = 0;
    };

    explicit FakeServerPort(quint16 port, QObject* parent = nullptr);

    bool listening() const { return m_server.isListening(); }
    const std::vector<Peer>& peers() const { return m_peers; }
    qsizetype count() const { return static_cast<qsizetype>(m_peers.size()); }
    qint64 elapsed_ms() const { return m_clock.elapsed(); }

    // Sends to the newest connection and waits until the bytes have left.
    bool send_to_newest(const QByteArray& bytes);
    void close_newest();
    bool wait_for_peers(qsizetype count, int timeout_ms);

private:
    QTcpServer m_server;
    std::vector<Peer> m_peers;
    QElapsedTimer m_clock;
};

// Saves what the window shows into ${ORUVAN_BUILD_DIR}/screenshots/<name>.png.
void save_screenshot(QWidget* window, const QString& name);

// A JPEG of the given size and colour with a big figure on it, as a contestant's handwriting.
QByteArray handwriting_jpeg(int figure, QColor colour, int width = 500, int height = 276);
