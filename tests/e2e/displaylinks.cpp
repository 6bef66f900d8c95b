#include "tests/e2e/displaylinks.h"

#include <set>

#include <unistd.h>

#include "protocol/ports.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QFile>

namespace e2e {

namespace {

constexpr int kPollMs = 20;
constexpr char kEstablished[] = "01";

// The socket inodes the process holds open.
std::set<QByteArray> socket_inodes(qint64 pid)
{
    std::set<QByteArray> inodes;
    const QString fd_dir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fd_dir).entryList(QDir::Files | QDir::System)) {
        char target[64] = {};
        const QByteArray path = (fd_dir + QLatin1Char('/') + fd).toLocal8Bit();
        const ssize_t length = ::readlink(path.constData(), target, sizeof(target) - 1);
        const QByteArray link(target, length > 0 ? length : 0);
        if (link.startsWith("socket:["))
            inodes.insert(link.mid(8, link.size() - 9));
    }
    return inodes;
}

} // namespace

DisplayLinks::DisplayLinks(qint64 display_pid) : m_pid(display_pid)
{
    m_clock.start();
    QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
    m_poll.start(kPollMs);
    // A link that stands already was made at an unknown moment: only the next re-make gives the phase.
    poll();
    m_remade_at_ms = -1;
}

void DisplayLinks::poll()
{
    const std::set<QByteArray> inodes = socket_inodes(m_pid);
    quint16 control = 0, picture = 0;
    // The display's own host's table: on a LAN hall it is not the test's.
    QFile table(QStringLiteral("/proc/%1/net/tcp").arg(m_pid));
    if (table.open(QIODevice::ReadOnly)) {
        table.readLine(); // the column heads
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
        for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
            const QList<QByteArray> columns = line.simplified().split(' ');
            if (columns.size() < 10 || columns[3] != kEstablished || !inodes.count(columns[9]))
                continue;
            const quint16 local_port = columns[1].split(':').value(1).toUShort(nullptr, 16);
            const int remote_port = columns[2].split(':').value(1).toInt(nullptr, 16);
            if (remote_port == protocol::kLoginPort)
                control = local_port;
            else if (remote_port == protocol::kScreenPort)
                picture = local_port;
        }
    }
    if (picture != 0 && picture != m_picture_port)
        m_remade_at_ms = m_clock.elapsed();
    m_control_port = control;
    m_picture_port = picture;
}

qint64 DisplayLinks::ms_since_remake() const
{
    return m_remade_at_ms < 0 ? -1 : m_clock.elapsed() - m_remade_at_ms;
}

bool DisplayLinks::wait_to_send_clear_of_remake(int lead_ms)
{
    // The phase is taken from a re-make seen within the last period, so timer drift stays small.
    auto recent = [this] { return ms_since_remake() >= 0 && ms_since_remake() < kRemakePeriodMs; };
    if (!recent() && !wait_until(recent, kRemakePeriodMs + 1000))
        return picture_linked(); // a link that is no longer re-made cannot meet a re-make
    const qint64 phase = (ms_since_remake() + lead_ms) % kRemakePeriodMs;
    const qint64 delay = (kRemakePeriodMs / 2 - phase + kRemakePeriodMs) % kRemakePeriodMs;
    const qint64 send_at = m_clock.elapsed() + delay;
    wait_until([&] { return m_clock.elapsed() >= send_at; }, static_cast<int>(delay) + 1000);
    return true;
}

int picture_request_lead_ms(int limit_s)
{
    return (limit_s + 1) * 1000 + 3000;
}

} // namespace e2e
