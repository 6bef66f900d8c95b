#include "tests/e2e/contestfixture.h"

#include "common/events/processes.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "server/globals.h"
#include "tests/support/waits.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>

namespace e2e {

namespace {

// Heads of every message the server sends, longest first where one starts another.
const QByteArray kHeads[] = {"比赛|开始|", "比赛|结束|", "比赛|等待|", "退出|结束|", "考官|计时开始",
                             "结果|结束",  "登录|",      "计时|",      "等待|",      "传输"};

} // namespace

std::vector<Message> messages_of(const std::vector<ContestSimulator::Entry>& log, const QString& who)
{
    QByteArray stream;
    std::vector<std::pair<qsizetype, qint64>> arrival_starts;
    for (const ContestSimulator::Entry& entry : log) {
        if (entry.who == who) {
            arrival_starts.emplace_back(stream.size(), entry.at_ms);
            stream += entry.bytes;
        }
    }
    auto time_at = [&](qsizetype offset) {
        qint64 at = 0;
        for (const auto& [start, ms] : arrival_starts)
            if (start <= offset)
                at = ms;
        return at;
    };
    std::vector<Message> messages;
    qsizetype i = 0;
    while (i < stream.size()) {
        bool head = false;
        for (const QByteArray& h : kHeads) {
            if (stream.mid(i, h.size()) == h) {
                messages.push_back({h, time_at(i)});
                i += h.size();
                head = true;
                break;
            }
        }
        if (head)
            continue;
        // GBK: a lead byte and its trail byte move together, so a head never matches mid-character.
        const qsizetype step = static_cast<unsigned char>(stream[i]) >= 0x80 && i + 1 < stream.size() ? 2 : 1;
        if (messages.empty())
            messages.push_back({{}, time_at(i)});
        messages.back().bytes += stream.mid(i, step);
        i += step;
    }
    return messages;
}

bool ftp_port_open()
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), protocol::kFtpPort);
    return probe.waitForConnected(500);
}

QRect display_tile(int n)
{
    return QRect(n % 2 == 1 ? 8 : 440, n <= 2 ? 19 : 330, 425, 290);
}

QRect display_mark(int n)
{
    return QRect(display_tile(n).topLeft() + QPoint(318, 193), QSize(106, 96));
}

void ContestFixture::SetUp()
{
    // The folder as the build lays it out, before the window starts its FTP server program there.
    const QDir built(qEnvironmentVariable("ORUVAN_BUILD_DIR") + QStringLiteral("/Oruvan"));
    ASSERT_TRUE(built.exists()) << built.path().toStdString();
    for (const QFileInfo& file : built.entryInfoList(QDir::Files)) {
        const bool left_out = file.fileName() == QStringLiteral("Oruvan") ||
                              (without_ftp_server && file.fileName() == QStringLiteral("ftpserver.exe"));
        if (!left_out) {
            ASSERT_TRUE(QFile::copy(file.absoluteFilePath(), folder.file_path(file.fileName())));
        }
    }
    ServerFixture::SetUp();
    window->show();
    if (!without_ftp_server) {
        ASSERT_TRUE(wait_until(ftp_port_open, 10000)) << "the server's FTP server program did not start";
    }
    sim = std::make_unique<ContestSimulator>();
}

void ContestFixture::TearDown()
{
    sim.reset();
    display.reset();
    x.reset();
    ServerFixture::TearDown();
    common::terminate_process("ftpserver.exe");
}

void ContestFixture::restart_server()
{
    common::terminate_process("ftpserver.exe");
    window.reset();
    server::free_globals();
    server::init_globals();
    window = std::make_unique<server::ServerWindow>(dialogs);
    window->show();
    window->on_server_window_created();
    ASSERT_TRUE(wait_until(ftp_port_open, 10000)) << "the server's FTP server program did not start again";
}

bool ContestFixture::start_display(int login_timeout_ms)
{
    if (!x) {
        x = std::make_unique<XServer>();
        if (!x->started())
            return false;
    }
    if (!display_folder)
        display_folder = std::make_unique<ProgramCopy>(QStringLiteral("OruvanScreen"));
    display = std::make_unique<ProgramProcess>();
    if (!display_folder->valid() || !display->start(*display_folder, QStringLiteral("OruvanScreen"), x->environment()))
        return false;
    display_links = std::make_unique<DisplayLinks>(display->pid());
    display_window = x->find_window(QStringLiteral("Oruvan"));
    return !display_window.isEmpty() && wait_until([this] { return display_logged_in(); }, login_timeout_ms);
}

void ContestFixture::click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void ContestFixture::click_button(int n)
{
    click(window->按钮[n]);
}

void ContestFixture::pick_word(int row)
{
    QComboBox* category = window->组合框[1];
    category->setFocus();
    while (category->currentIndex() != 0)
        QTest::keyClick(category, category->currentIndex() < 0 ? Qt::Key_Down : Qt::Key_Up);
    QListWidget* words = window->列表框1;
    ASSERT_GT(words->count(), row);
    words->scrollToItem(words->item(row));
    QTest::mouseClick(words->viewport(), Qt::LeftButton, {}, words->visualItemRect(words->item(row)).center());
}

void ContestFixture::type_into(QWidget* edit, const QString& text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

bool ContestFixture::wait_to_send_clear_of_remake(const QString& limit)
{
    return !display || !display->running() ||
           display_links->wait_to_send_clear_of_remake(picture_request_lead_ms(limit.toInt()));
}

bool ContestFixture::run_question(const QString& limit)
{
    type_into(window->编辑框[2], limit);
    const qsizetype judge_ends = sim->judge().received().count("比赛|结束|");
    if (!wait_to_send_clear_of_remake(limit))
        return false;
    click_button(2);
    // The judge hears the end twice: at time-up and when the display is sent the pictures.
    const int seconds = limit.toInt();
    return wait_until([&] { return sim->judge().received().count("比赛|结束|") >= judge_ends + 2; },
                      (seconds + 15) * 1000) &&
           wait_until([&] { return sim->all_handed_in(); }, 10000);
}

QString ContestFixture::server_screenshot(const QString& name)
{
    return save_screenshot(window->grab().toImage(), name);
}

QImage ContestFixture::display_screenshot(const QString& name)
{
    // The display has painted what it was last told once two pictures in a row agree.
    QImage image = x ? x->screenshot(display_window) : QImage();
    wait_until(
        [&] {
            const QImage next = x ? x->screenshot(display_window) : QImage();
            const bool same = next == image;
            image = next;
            return same;
        },
        3000);
    save_screenshot(image, name);
    return image;
}

bool ContestFixture::display_file_becomes(const QString& name, const QByteArray& bytes, int timeout_ms)
{
    return wait_until([&] { return display_folder->read(name) == bytes; }, timeout_ms);
}

} // namespace e2e

namespace e2e {

::testing::AssertionResult ContestFixture::display_running()
{
    QProcess& process = display->process();
    if (process.state() == QProcess::Running)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the display ended, "
                                         << (process.exitStatus() == QProcess::NormalExit ? "exit code " : "crashed, ")
                                         << process.exitCode() << "; it printed:\n"
                                         << display->output().toStdString();
}

bool ContestFixture::display_has_pictures()
{
    auto fetched = [this] {
        for (int n = 1; n <= 4; ++n) {
            if (display_folder->read(QStringLiteral("htt%1.jpg").arg(n)) != sim->picture(n))
                return false;
        }
        return true;
    };
    return wait_until(fetched, 8000);
}

} // namespace e2e
