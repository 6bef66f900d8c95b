#pragma once

#include <memory>

#include "tests/e2e/displaylinks.h"
#include "tests/e2e/programs.h"
#include "tests/e2e/simulator.h"
#include "tests/server/window/serverfixture.h"

class QAbstractButton;

namespace e2e {

// One message as a client saw it, cut out of everything that reached it: the protocol has no
// framing, so arrivals are cut where the next message's head begins.
struct Message
{
    QByteArray bytes;
    qint64 at_ms = 0;
    QList<QByteArray> fields() const { return bytes.split('|'); }
};
std::vector<Message> messages_of(const std::vector<ContestSimulator::Entry>& log, const QString& who);

// The real server window in a copy of the built server folder (its FTP server program, banks and
// config.txt included), operated by clicks and typing; the real display program on a private X
// server; the simulated contestant machines, examiner and judge. All in the test's private network
// namespace.
class ContestFixture : public ServerFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The server program is closed (its FTP server program with it) and started again in the same folder.
    void restart_server();

    // Starts the display program from a copy of its folder and waits until it has logged in.
    bool start_display(int login_timeout_ms = 15000);
    bool display_logged_in() const { return window && status_of(8) == "在线"; }

    void click(QAbstractButton* button);
    void click_button(int n);
    // Picks the category 词语 and the word in row of the word list, as the operator does.
    void pick_word(int row);
    // Types text into an edit box of the window, replacing what it held.
    void type_into(QWidget* edit, const QString& text);
    // Waits until a question of limit seconds sent now brings its automatic picture request clear of
    // a re-make of the display's picture link; at once without a display.
    bool wait_to_send_clear_of_remake(const QString& limit);
    // Sends the prepared question with time limit seconds and waits until every machine that
    // answers has handed in and the display has been sent the pictures. With a display running, the
    // send is timed so that the automatic picture request does not meet a re-make of its picture link.
    bool run_question(const QString& limit);

    // The server's window as the operator sees it, saved; and the display's.
    QString server_screenshot(const QString& name);
    QImage display_screenshot(const QString& name);

    // The display fetched the pictures of the automatic request: its copies of ht1-ht4.jpg equal
    // machine 1-4's pictures.
    bool display_has_pictures();
    // The display program still runs; if not, how it ended and what it printed.
    ::testing::AssertionResult display_running();
    // Waits until the display's copy of a fetched file equals bytes.
    bool display_file_becomes(const QString& name, const QByteArray& bytes, int timeout_ms = 15000);

    // Set before SetUp: the server's folder lacks its FTP server program.
    bool without_ftp_server = false;

    std::unique_ptr<XServer> x;
    std::unique_ptr<ProgramCopy> display_folder;
    std::unique_ptr<ProgramProcess> display;
    std::unique_ptr<DisplayLinks> display_links;
    QString display_window;
    std::unique_ptr<ContestSimulator> sim;
};

bool ftp_port_open();

// Regions of the display window (its client area at design size).
QRect display_tile(int n);
QRect display_mark(int n);

} // namespace e2e
