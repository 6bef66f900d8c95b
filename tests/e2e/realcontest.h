#pragma once

#include <memory>

#include "tests/e2e/displaylinks.h"
#include "tests/e2e/hall.h"
#include "tests/e2e/programs.h"
#include "tests/e2e/simulator.h"

#include <QPoint>

namespace e2e {

// Both real programs, each from a copy of its built folder, on one private X server, driven from
// outside as a person would (xdotool clicks and typing on the server's window), with the simulated
// machines, examiner and judge. Runs inside a private network namespace, all on its loopback or on
// the hosts of a private LAN: then the display's ip.txt names the server's LAN address.
class RealContest final
{
    Q_DISABLE_COPY_MOVE(RealContest)

public:
    explicit RealContest(Hall hall = {});
    ~RealContest();

    // Starts both programs and logs every client in; false with why in error().
    bool start();
    const QString& error() const { return m_error; }

    // Types the time limit and clicks 发送题目, timed so that the automatic picture request at the
    // end does not meet a re-make of the display's picture link; then waits until the question has
    // ended, every machine has handed in and the display has been sent the pictures.
    bool run_question(const QString& limit);
    // The display fetched the pictures of the automatic request: its copies of ht1-ht4.jpg equal
    // machine 1-4's pictures.
    bool display_has_pictures();
    // The operator closes the window and answers the quit question with Yes; the exit code.
    int quit();

    // Every message each machine heard follows question after question of limit seconds, with
    // nothing lost, doubled or out of order; the first fault found, empty when none.
    QString check_machine_streams(int questions, int limit) const;

    ProgramProcess& server() { return m_server; }
    ProgramProcess& display() { return m_display; }
    ProgramCopy& server_folder() { return *m_server_folder; }
    ProgramCopy& display_folder() { return *m_display_folder; }
    ContestSimulator& sim() { return *m_sim; }
    XServer& x() { return *m_x; }
    const QString& server_window() const { return m_server_window; }
    const QString& display_window() const { return m_display_window; }

private:
    bool click(const QString& control);
    bool type(const QString& control, const QString& text);

    Hall m_hall;
    std::unique_ptr<XServer> m_x;
    std::unique_ptr<ProgramCopy> m_server_folder, m_display_folder;
    ProgramProcess m_server, m_display;
    std::unique_ptr<ContestSimulator> m_sim;
    std::unique_ptr<DisplayLinks> m_display_links;
    qint64 m_request_after_remake_ms = -1;
    QString m_server_window, m_display_window, m_error;
};

// Where a control of the server window lies, from the window's own definition; (-1, -1) for a
// name no control has. The first call must come before any server listens.
QPoint server_control_centre(const QString& object_name);

} // namespace e2e
