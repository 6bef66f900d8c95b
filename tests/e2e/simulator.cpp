#include "tests/e2e/simulator.h"

#include <algorithm>

#include "protocol/ports.h"
#include "tests/support/pictures.h"
#include "tests/support/waits.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace e2e {

namespace {

// Debian's own interpreter: another python3 earlier on PATH may lack nothing we use, but this one
// is always there. The picture comes on standard input. Active mode, as the machines in a hall use:
// the FTP server connects back to the machine.
const char* const kUploadScript = R"(
import ftplib, sys
ftp = ftplib.FTP()
ftp.connect(sys.argv[2], int(sys.argv[3]), timeout=10)
ftp.login('username', 'tinsmith')
ftp.set_pasv(False)
ftp.storbinary('STOR ' + sys.argv[1], sys.stdin.buffer)
ftp.quit()
)";

} // namespace

QColor handwriting_colour(int n)
{
    // Tiles 1-4 stay clear of the marks' green and red, so a screenshot tells marks from pictures.
    static const QColor colours[] = {
        Qt::black,           QColor(30, 60, 220),  QColor(230, 200, 20),  QColor(20, 200, 200), QColor(200, 40, 200),
        QColor(20, 170, 60), QColor(240, 120, 20), QColor(120, 120, 120), QColor(120, 60, 20)};
    return colours[n];
}

QByteArray handwriting_picture(int n)
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(handwriting_colour(n));
    QPainter painter(&image);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(120);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(n));
    painter.end();
    return encoded_picture(image, "JPG", 90);
}

ContestSimulator::ContestSimulator(Hall hall, QObject* parent) : QObject(parent), m_hall(std::move(hall))
{
    m_clock.start();
    for (int n = 1; n <= 8; ++n)
        m_pictures[n] = handwriting_picture(n);
}

ContestSimulator::~ContestSimulator()
{
    // Uploads still running end with us.
    for (QProcess* process : findChildren<QProcess*>()) {
        process->kill();
        process->waitForFinished(2000);
    }
}

std::unique_ptr<FakeClient> ContestSimulator::make_client(const QString& who)
{
    auto client = std::make_unique<FakeClient>();
    FakeClient* raw = client.get();
    auto seen = std::make_shared<std::size_t>(0);
    // Runs after the client's own slot, which has just recorded the arrival.
    connect(&raw->socket(), &QTcpSocket::readyRead, this, [this, raw, who, seen] {
        if (raw->arrivals().size() == *seen || raw->arrivals().empty())
            return;
        *seen = raw->arrivals().size();
        const QByteArray& bytes = raw->arrivals().back().bytes;
        m_log.push_back({who, bytes, now_ms()});
        if (who.startsWith(QStringLiteral("machine")))
            m_questions_seen[who.mid(7).toInt()] += static_cast<int>(bytes.count("比赛|开始|"));
        else if (who.startsWith(QStringLiteral("handin")) && bytes.contains("传输"))
            on_transfer(who.mid(6).toInt());
    });
    return client;
}

bool ContestSimulator::log_in(FakeClient& client, const QByteArray& role, const QByteArray& reply, int timeout_ms,
                              const QString& from_host)
{
    if (!client.connect_to(protocol::kLoginPort, m_hall.server_address, timeout_ms, from_host))
        return false;
    return client.send("登录|" + role) && client.wait_for(reply, timeout_ms);
}

bool ContestSimulator::log_in_machine(int n, int timeout_ms)
{
    m_machines[n] = make_client(QStringLiteral("machine%1").arg(n));
    const bool logged_in =
        log_in(*m_machines[n], QByteArray::number(n), "登录|成功", timeout_ms, m_hall.machine_host(n));
    m_handins[n] = make_client(QStringLiteral("handin%1").arg(n));
    return m_handins[n]->connect_to(protocol::hand_in_port(n), m_hall.server_address, timeout_ms,
                                    m_hall.machine_host(n)) &&
           logged_in;
}

bool ContestSimulator::log_in_all(int timeout_ms)
{
    bool ok = true;
    for (int n = 1; n <= 8; ++n)
        ok = log_in_machine(n, timeout_ms) && ok;
    m_examiner = make_client(QStringLiteral("examiner"));
    ok = log_in(*m_examiner, "考官", "登录|考官成功", timeout_ms) && ok;
    m_examiner_port = make_client(QStringLiteral("examiner-port"));
    ok = m_examiner_port->connect_to(protocol::kExaminerPort, m_hall.server_address) && ok;
    m_judge = make_client(QStringLiteral("judge"));
    ok = log_in(*m_judge, "评委", "登录|评委成功", timeout_ms) && ok;
    m_judge_port = make_client(QStringLiteral("judge-port"));
    ok = m_judge_port->connect_to(protocol::kJudgePort, m_hall.server_address) && ok;
    return ok;
}

void ContestSimulator::drop_machine(int n)
{
    m_machines[n]->close();
    m_handins[n]->close();
    m_machines[n].reset();
    m_handins[n].reset();
    m_busy[n] = false;
}

bool ContestSimulator::bring_back_machine(int n, int timeout_ms)
{
    const bool back = log_in_machine(n, timeout_ms);
    // A machine that comes back has nothing of the running question to hand in.
    m_questions_answered[n] = m_questions_seen[n];
    return back;
}

bool ContestSimulator::all_handed_in() const
{
    for (int n = 1; n <= 8; ++n)
        if (m_modes[n] != HandIn::Never && m_machines[n] &&
            (m_questions_answered[n] < m_questions_seen[n] || m_busy[n]))
            return false;
    return true;
}

void ContestSimulator::on_transfer(int n)
{
    // One hand-in per question seen; the server repeats its request on many occasions.
    if (m_busy[n] || m_questions_answered[n] >= m_questions_seen[n] || m_modes[n] == HandIn::Never)
        return;
    m_questions_answered[n] = m_questions_seen[n];
    switch (m_modes[n]) {
    case HandIn::Normal:
        upload(n, m_pictures[n], true);
        break;
    case HandIn::Truncated:
        upload(n, m_pictures[n].left(m_pictures[n].size() / 2), true);
        break;
    case HandIn::Late:
        send_over(n);
        m_busy[n] = true;
        upload_once_due(n);
        break;
    case HandIn::Never:
        break;
    }
}

void ContestSimulator::upload(int n, const QByteArray& bytes, bool then_over)
{
    m_busy[n] = true;
    auto* process = new QProcess(this);
    const qint64 started_ms = now_ms();
    connect(process, &QProcess::finished, this,
            [this, process, n, then_over, started_ms](int code, QProcess::ExitStatus status) {
                m_busy[n] = false;
                ++m_finished_uploads;
                m_slowest_upload_ms = std::max(m_slowest_upload_ms, now_ms() - started_ms);
                if (status != QProcess::NormalExit || code != 0)
                    ++m_failed_uploads;
                else if (then_over)
                    send_over(n);
                process->deleteLater();
            });
    QStringList command = {
        QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),  QString::fromLatin1(kUploadScript),
        QStringLiteral("ht%1.jpg").arg(n),  m_hall.server_address, QString::number(protocol::kFtpPort)};
    // From the machine's own host, where the FTP server's data connection has to reach it.
    const QString host = m_hall.machine_host(n);
    if (!host.isEmpty())
        command = QStringList{QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), host} + command;
    process->start(command.takeFirst(), command);
    process->write(bytes);
    process->closeWriteChannel();
}

void ContestSimulator::upload_once_due(int n)
{
    if (m_upload_when[n] && !m_upload_when[n]())
        QTimer::singleShot(20, this, [this, n] { upload_once_due(n); });
    else
        upload(n, m_pictures[n], false);
}

void ContestSimulator::send_over(int n)
{
    if (m_handins[n] && m_handins[n]->is_connected()) {
        m_handins[n]->socket().write("over");
        ++m_handed_in[n];
    }
}

bool ContestSimulator::send_judge_result(const QByteArray& message, int timeout_ms)
{
    const qsizetype before = m_judge_port->received().count("结果|结束");
    if (!m_judge_port->send(message))
        return false;
    return wait_until([&] { return m_judge_port->received().count("结果|结束") > before; }, timeout_ms);
}

} // namespace e2e
