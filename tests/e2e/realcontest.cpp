#include "tests/e2e/realcontest.h"

#include <map>

#include <signal.h>

#include "protocol/ports.h"
#include "server/window/serverwindow.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>

namespace e2e {

namespace {

bool port_open(const QString& address, quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(address, port);
    return probe.waitForConnected(500);
}

} // namespace

QPoint server_control_centre(const QString& object_name)
{
    // Learnt once, from a window of the same definition in this process. Its listeners take the
    // contest's ports, so it must be made and gone before a real server listens: RealContest::start
    // asks first. Made again while a contest runs, it would fail to listen on each port and say so.
    static const std::map<QString, QPoint> centres = [] {
        ScriptedDialogs dialogs;
        server::ServerWindow window(dialogs);
        std::map<QString, QPoint> found;
        for (const QWidget* control : window.findChildren<QWidget*>())
            found.emplace(control->objectName(), control->mapTo(&window, control->rect().center()));
        return found;
    }();
    const auto found = centres.find(object_name);
    return found == centres.end() ? QPoint(-1, -1) : found->second;
}

RealContest::RealContest(Hall hall) : m_hall(std::move(hall)) {}

RealContest::~RealContest()
{
    m_sim.reset();
    m_display.stop();
    m_server.stop();
    // A server that did not quit leaves its detached FTP server program behind: end the one that
    // serves our copy of the folder, and no other.
    if (m_server_folder)
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) &&
                cmdline.readAll().contains(m_server_folder->path().toLocal8Bit() + "/ftpserver.exe"))
                ::kill(pid.toInt(), SIGTERM);
        }
}

bool RealContest::start()
{
    m_x = std::make_unique<XServer>();
    if (!m_x->started())
        return m_error = QStringLiteral("Xvfb did not start"), false;
    // Learnt before the real server takes the ports.
    const QPoint probe = server_control_centre(QStringLiteral("按钮2"));
    if (probe.x() < 0)
        return m_error = QStringLiteral("no 按钮2 on the server window"), false;
    m_server_folder = std::make_unique<ProgramCopy>(QStringLiteral("Oruvan"));
    m_display_folder = std::make_unique<ProgramCopy>(QStringLiteral("OruvanScreen"));
    if (!m_server_folder->valid() || !m_display_folder->valid())
        return m_error = QStringLiteral("the built program folders could not be copied"), false;
    if (!m_server.start(*m_server_folder, QStringLiteral("Oruvan"), m_x->environment(), m_hall.server_host))
        return m_error = QStringLiteral("Oruvan did not start"), false;
    m_server_window = m_x->find_window(QStringLiteral("Oruvan——"));
    if (m_server_window.isEmpty() ||
        !wait_until([this] { return port_open(m_hall.server_address, protocol::kFtpPort); }, 10000))
        return m_error = QStringLiteral("no server window or FTP server: ") + QString::fromLocal8Bit(m_server.output()),
               false;
    if (!m_display_folder->write(QStringLiteral("ip.txt"), m_hall.server_address.toLatin1()) ||
        !m_display.start(*m_display_folder, QStringLiteral("OruvanScreen"), m_x->environment(), m_hall.display_host))
        return m_error = QStringLiteral("OruvanScreen did not start"), false;
    m_display_window = m_x->find_window(QStringLiteral("】"));
    // Both windows open at (50, 50): the hall screen goes beside the operator's window.
    if (m_display_window.isEmpty() || !m_x->xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"),
                                                     m_display_window, QStringLiteral("1200"), QStringLiteral("50")}))
        return m_error = QStringLiteral("no display window"), false;
    m_display_links = std::make_unique<DisplayLinks>(m_display.pid());
    m_sim = std::make_unique<ContestSimulator>(m_hall);
    if (!m_sim->log_in_all())
        return m_error = QStringLiteral("the simulated clients could not log in"), false;
    // The display makes both links 5 s after its start and logs in on the control link.
    if (!wait_until([this] { return m_display_links->control_linked() && m_display_links->picture_linked(); }, 10000))
        return m_error = QStringLiteral("the display did not link to the server"), false;
    return true;
}

bool RealContest::click(const QString& control)
{
    const QPoint at = server_control_centre(control);
    return m_x->xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_server_window,
                         QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                         QStringLiteral("1")});
}

bool RealContest::type(const QString& control, const QString& text)
{
    return click(control) &&
           m_x->xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+a")}) &&
           m_x->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

bool RealContest::run_question(const QString& limit)
{
    const qsizetype ends = m_sim->judge().received().count("比赛|结束|");
    if (!type(QStringLiteral("编辑框2"), limit))
        return m_error = QStringLiteral("xdotool failed"), false;
    if (!m_display_links->wait_to_send_clear_of_remake(picture_request_lead_ms(limit.toInt())))
        return m_error = QStringLiteral("the display's picture link is down"), false;
    if (!click(QStringLiteral("按钮2")))
        return m_error = QStringLiteral("xdotool failed"), false;
    // The judge hears the end twice: at time-up, and with the display's picture request.
    if (!wait_until([&] { return m_sim->judge().received().count("比赛|结束|") >= ends + 2; },
                    (limit.toInt() + 15) * 1000)) {
        save_screenshot(m_x->screenshot(m_server_window), QStringLiteral("e2e-real-server-stuck"));
        return m_error = QStringLiteral("the question did not end"), false;
    }
    m_request_after_remake_ms = m_display_links->ms_since_remake();
    if (!wait_until([&] { return m_sim->all_handed_in(); }, 10000))
        return m_error = QStringLiteral("not every machine handed in"), false;
    return true;
}

bool RealContest::display_has_pictures()
{
    auto fetched = [this] {
        for (int n = 1; n <= 4; ++n) {
            if (m_display_folder->read(QStringLiteral("htt%1.jpg").arg(n)) != m_sim->picture(n))
                return false;
        }
        return true;
    };
    if (wait_until(fetched, 8000))
        return true;
    m_error = QStringLiteral("the display did not fetch the pictures; the request came %1 ms after a re-make of "
                             "its picture link")
                  .arg(m_request_after_remake_ms);
    return false;
}

int RealContest::quit()
{
    // One request: request_close returns once the X server has handled it and passed it on to the
    // window, so a box that does not show is a fault, not bad luck.
    if (!m_x->request_close(m_server_window))
        return m_error = QStringLiteral("the close request could not be sent"), -1;
    const QString box = m_x->find_window(QStringLiteral("信息"), 10000);
    if (box.isEmpty()) {
        m_error = QStringLiteral("no quit box within 10 s of the close request: the window never got it (Xvfb "
                                 "drops a request that comes with its sender's hang-up) or the server ignored it");
        save_screenshot(m_x->screenshot(QStringLiteral("root")), QStringLiteral("e2e-real-no-quit-box"));
        return -1;
    }
    // Yes is the box's default button; without a window manager the keyboard follows the pointer.
    m_x->xdotool(
        {QStringLiteral("mousemove"), QStringLiteral("--window"), box, QStringLiteral("5"), QStringLiteral("5")});
    m_x->xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box});
    m_x->xdotool({QStringLiteral("key"), QStringLiteral("--window"), box, QStringLiteral("Return")});
    const int code = m_server.wait_exit_code(10000);
    if (code == -1)
        m_error = QStringLiteral("the server did not end within 10 s of Return on its quit box");
    return code;
}

QString RealContest::check_machine_streams(int questions, int limit) const
{
    for (int n = 1; n <= 8; ++n) {
        QList<QByteArray> heads;
        QByteArray stream;
        for (const ContestSimulator::Entry& entry : m_sim->log())
            if (entry.who == QStringLiteral("machine%1").arg(n))
                stream += entry.bytes;
        // Expected: the login answer, then per question the start, ticks limit..0 in the plain
        // layout (its question field is the fixed text), the time-up and done ticks, the end.
        QByteArray expected = "登录|成功";
        for (int q = 0; q < questions; ++q) {
            expected += "比赛|开始|" + QByteArray::number(limit) + "||";
            for (int k = limit; k >= 0; --k)
                expected += "计时|" + QByteArray::number(k) + "|" + QByteArray::number(limit) + "|请按照听写内容答题|";
            expected += "计时|0|";
            expected += "计时|0|";
            expected += "比赛|结束|0";
        }
        // Compare the skeleton: each message's head and its number fields, in order.
        QByteArray skeleton;
        qsizetype i = 0;
        static const QByteArray heads_in_order[] = {"登录|成功", "比赛|开始|", "计时|", "比赛|结束|0"};
        while (i < stream.size()) {
            bool matched = false;
            for (const QByteArray& head : heads_in_order) {
                if (stream.mid(i, head.size()) != head)
                    continue;
                skeleton += head;
                i += head.size();
                if (head == "比赛|开始|") {
                    skeleton += stream.mid(i, stream.indexOf('|', i) - i + 1) + "|";
                } else if (head == "计时|") {
                    const qsizetype seconds_end = stream.indexOf('|', i);
                    skeleton += stream.mid(i, seconds_end - i + 1);
                    // A plain tick carries the limit and the fixed question text; a titled one the question.
                    const qsizetype limit_end = stream.indexOf('|', seconds_end + 1);
                    const QByteArray fixed = "请按照听写内容答题|";
                    if (stream.mid(limit_end + 1, fixed.size()) == fixed)
                        skeleton += stream.mid(seconds_end + 1, limit_end - seconds_end) + fixed;
                }
                matched = true;
                break;
            }
            if (!matched)
                i += static_cast<unsigned char>(stream[i]) >= 0x80 ? 2 : 1;
        }
        if (skeleton != expected)
            return QStringLiteral("machine %1 heard out of order or lost: %2")
                .arg(n)
                .arg(QString::fromLocal8Bit(skeleton.left(400)));
    }
    return {};
}

} // namespace e2e
