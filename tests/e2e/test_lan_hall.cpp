#include <set>

#include <gtest/gtest.h>

#include "tests/e2e/contestfixture.h"
#include "tests/e2e/realcontest.h"
#include "tests/support/cannotrun.h"
#include "tests/support/waits.h"

namespace e2e {

// The hall as a school LAN has it: the server, the display and the eight machines each on a host of
// its own. Every machine stores its picture by active-mode FTP at each "传输", so the FTP server
// connects back across the LAN to eight machines at once; the display fetches the first four from
// the server's LAN address, named in its ip.txt; the judge's marks reach the display.
TEST(LanHall, EightMachinesHandInAcrossTheLan)
{
    const std::optional<Hall> hall = Hall::lan();
    if (!hall)
        SKIP_OR_FAIL_UNDER_CI("no private LAN: run through tests/support/run-in-hall.sh");
    RealContest contest(*hall);
    ASSERT_TRUE(contest.start()) << contest.error().toStdString();
    std::set<QString> machine_addresses;
    for (int n = 1; n <= 8; ++n)
        machine_addresses.insert(contest.sim().machine(n).socket().localAddress().toString());
    EXPECT_EQ(machine_addresses.size(), 8u) << "the machines do not sit on hosts of their own";
    EXPECT_EQ(machine_addresses.count(hall->server_address), 0u);

    constexpr int kQuestions = 3;
    for (int q = 1; q <= kQuestions; ++q) {
        ASSERT_TRUE(contest.run_question(QStringLiteral("2")))
            << "question " << q << ": " << contest.error().toStdString();
        for (int n = 1; n <= 8; ++n)
            EXPECT_EQ(contest.server_folder().read(QStringLiteral("ht%1.jpg").arg(n)), contest.sim().picture(n))
                << "question " << q << ", machine " << n;
        EXPECT_TRUE(contest.display_has_pictures()) << "question " << q << ": " << contest.error().toStdString();
        ASSERT_TRUE(contest.sim().send_judge_result("结果|评委|正确|错误|正确|错误")) << q;
        QImage marked;
        EXPECT_TRUE(wait_until(
            [&] {
                marked = contest.x().screenshot(contest.display_window());
                return share_green(marked, display_mark(1)) > 0.05 && share_red(marked, display_mark(2)) > 0.05 &&
                       share_green(marked, display_mark(3)) > 0.05 && share_red(marked, display_mark(4)) > 0.05;
            },
            8000))
            << "question " << q << ": the judge's marks did not show on the display";
    }
    save_screenshot(contest.x().screenshot(contest.display_window()), QStringLiteral("e2e-lan-display-marks"));
    EXPECT_EQ(contest.check_machine_streams(kQuestions, 2), QString());
    EXPECT_EQ(contest.sim().failed_uploads(), 0);
    EXPECT_EQ(contest.sim().finished_uploads(), 8 * kQuestions);
    std::printf("LAN hall: %d questions, %d active-mode uploads from 8 hosts (%d failed), slowest %lld ms\n",
                kQuestions, contest.sim().finished_uploads(), contest.sim().failed_uploads(),
                static_cast<long long>(contest.sim().slowest_upload_ms()));
}

} // namespace e2e
