#include <gtest/gtest.h>

#include "protocol/ports.h"
#include "tests/e2e/realcontest.h"
#include "tests/support/waits.h"

#include <QTcpSocket>

namespace e2e {

// Both real programs under an X server, the server worked only through its window with xdotool:
// a few questions back to back with all eleven clients, no message lost or out of order, memory
// flat and the programs idle between questions; then the operator closes the server.
TEST(RealPrograms, ShortSoakThenQuitThroughTheWindow)
{
    RealContest contest;
    ASSERT_TRUE(contest.start()) << contest.error().toStdString();
    const ProcessFigures server_start = process_figures(contest.server().pid());
    const ProcessFigures display_start = process_figures(contest.display().pid());

    constexpr int kQuestions = 3;
    for (int q = 1; q <= kQuestions; ++q) {
        ASSERT_TRUE(contest.run_question(QStringLiteral("2")))
            << "question " << q << ": " << contest.error().toStdString();
        // Before the verdicts: sent together with the picture request, they would be read as one.
        EXPECT_TRUE(contest.display_has_pictures()) << "question " << q << ": " << contest.error().toStdString();
        ASSERT_TRUE(contest.sim().send_judge_result("结果|评委|正确|正确|错误|正确")) << q;
    }
    EXPECT_EQ(contest.check_machine_streams(kQuestions, 2), QString());
    EXPECT_EQ(contest.sim().failed_uploads(), 0);

    // Idle: no countdown runs, nothing arrives; both programs should sleep.
    const ProcessFigures server_before = process_figures(contest.server().pid());
    const ProcessFigures display_before = process_figures(contest.display().pid());
    settle_ms(3000, "the programs' CPU time while nothing happens");
    const ProcessFigures server_after = process_figures(contest.server().pid());
    const ProcessFigures display_after = process_figures(contest.display().pid());
    const double server_idle = (server_after.cpu_seconds - server_before.cpu_seconds) / 3.0;
    const double display_idle = (display_after.cpu_seconds - display_before.cpu_seconds) / 3.0;
    EXPECT_LT(server_idle, 0.2) << "server busy while idle";
    EXPECT_LT(display_idle, 0.2) << "display busy while idle";
    std::printf("short soak: server RSS %lld -> %lld kB, display RSS %lld -> %lld kB, idle CPU %.1f%% / %.1f%%\n",
                server_start.rss_kb, server_after.rss_kb, display_start.rss_kb, display_after.rss_kb, server_idle * 100,
                display_idle * 100);
    save_screenshot(contest.x().screenshot(contest.server_window()), QStringLiteral("e2e-real-server"));

    // The operator closes the window and confirms.
    EXPECT_EQ(contest.quit(), 0) << contest.error().toStdString() << "\n" << contest.server().output().toStdString();
    for (int n = 1; n <= 8; ++n)
        EXPECT_TRUE(contest.sim().machine(n).wait_for("退出|结束|0")) << n;
    EXPECT_TRUE(contest.sim().judge().wait_closed());
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), protocol::kFtpPort);
    EXPECT_FALSE(probe.waitForConnected(1000)) << "the FTP server program outlived the server";
    EXPECT_TRUE(contest.display().running());
}

} // namespace e2e
