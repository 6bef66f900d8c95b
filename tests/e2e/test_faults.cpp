#include <gtest/gtest.h>

#include "common/events/processes.h"
#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "tests/e2e/contestfixture.h"
#include "tests/support/waits.h"

#include <QFile>

namespace e2e {

// The hall screen is switched on before the server, and the server goes down in the middle of a
// question: the display logs in by itself each time, and the next question reaches it.
TEST_F(ContestFixture, DisplayBeforeServerAndServerRestartMidQuestion)
{
    common::terminate_process("ftpserver.exe");
    window.reset();
    EXPECT_FALSE(start_display(1000)) << "no server, no login";
    settle_ms(6000, "the display's first login, 5 s after its start, finds no server");
    EXPECT_TRUE(display_running());
    restart_server();
    ASSERT_TRUE(wait_until([&] { return display_logged_in(); }, 12000)) << "no login after the server came up";
    ASSERT_TRUE(sim->log_in_all());

    type_into(window->编辑框[2], QStringLiteral("20"));
    click_button(2);
    ASSERT_TRUE(sim->machine(1).wait_for("计时|18|", 5000));
    restart_server();
    EXPECT_TRUE(sim->machine(1).wait_closed());
    ASSERT_TRUE(wait_until([&] { return display_logged_in(); }, 12000)) << "no login after the restart";
    sim = std::make_unique<ContestSimulator>();
    ASSERT_TRUE(sim->log_in_all());

    ASSERT_TRUE(run_question(QStringLiteral("2")));
    EXPECT_TRUE(display_has_pictures());
    EXPECT_TRUE(display_running());
}

// A contestant machine drops out during a question and comes back for the next one.
TEST_F(ContestFixture, MachineDropsAndComesBack)
{
    ASSERT_TRUE(start_display());
    ASSERT_TRUE(sim->log_in_all());
    type_into(window->编辑框[2], QStringLiteral("3"));
    click_button(2);
    ASSERT_TRUE(sim->machine(3).wait_for("计时|3|"));
    sim->drop_machine(3);
    EXPECT_TRUE(wait_until([&] { return status_of(2) == "离线"; }));
    ASSERT_TRUE(wait_until([&] { return sim->judge().received().count("比赛|结束|") >= 2; }, 15000));
    ASSERT_TRUE(wait_until([&] { return sim->all_handed_in(); }, 10000));
    EXPECT_FALSE(QFile::exists(folder.file_path(QStringLiteral("ht3.jpg"))));
    EXPECT_EQ(folder.read_file(QStringLiteral("ht4.jpg")), sim->picture(4));

    ASSERT_TRUE(sim->bring_back_machine(3));
    EXPECT_EQ(status_of(2), "在线");
    ASSERT_TRUE(run_question(QStringLiteral("2")));
    EXPECT_EQ(folder.read_file(QStringLiteral("ht3.jpg")), sim->picture(3));
    EXPECT_TRUE(wait_until([&] { return !window->图片框[3]->image().isNull(); }, 15000));
    EXPECT_TRUE(sim->machine(3).received().contains("比赛|结束|0"));
    EXPECT_TRUE(display_has_pictures());
}

// Pictures that come late or cut short, a judge result short of fields and clients that connect
// and say nothing: no program ends, no picture that arrived is lost, and the next question runs.
TEST_F(ContestFixture, LateAndTruncatedPicturesShortJudgeResultSilentClients)
{
    ASSERT_TRUE(start_display());
    ASSERT_TRUE(sim->log_in_all());
    // (A silent peer on a hand-in port would rightly take that machine's slot: not a fault.)
    FakeClient silent_login, silent_examiner, silent_judge;
    ASSERT_TRUE(silent_login.connect_to(protocol::kLoginPort));
    ASSERT_TRUE(silent_examiner.connect_to(protocol::kExaminerPort));
    ASSERT_TRUE(silent_judge.connect_to(protocol::kJudgePort));

    // Machine 1's picture comes only after the server has looked for it.
    sim->set_hand_in(1, ContestSimulator::HandIn::Late, [&] { return window->图片框[1]->picture().isEmpty(); });
    sim->set_hand_in(2, ContestSimulator::HandIn::Truncated);
    ASSERT_TRUE(run_question(QStringLiteral("2")));
    // The late picture lands after the server looked for it: its tile stays empty, the file is kept.
    EXPECT_TRUE(wait_until([&] { return folder.read_file(QStringLiteral("ht1.jpg")) == sim->picture(1); }, 10000));
    EXPECT_TRUE(window->图片框[1]->image().isNull());
    EXPECT_EQ(folder.read_file(QStringLiteral("ht2.jpg")), sim->picture(2).left(sim->picture(2).size() / 2));
    EXPECT_EQ(folder.read_file(QStringLiteral("ht5.jpg")), sim->picture(5));

    // A result of one verdict: the server answers or not, but neither program ends.
    sim->judge_port().send("结果|评委|正确");
    settle_ms(1000, "an end of either program over the short result would show by now");
    ASSERT_TRUE(sim->send_judge_result("结果|评委|错误|正确|错误|正确"));
    EXPECT_TRUE(window->正误[4]->isVisibleTo(window.get()));
    // The display is told after the server: its marks are waited for.
    EXPECT_TRUE(wait_until(
        [&] {
            const QImage marked = display_screenshot(QStringLiteral("e2e-display-faults-marks"));
            return share_red(marked, display_mark(1)) > 0.05 && share_green(marked, display_mark(2)) > 0.05;
        },
        15000));

    sim->set_hand_in(1, ContestSimulator::HandIn::Normal);
    sim->set_hand_in(2, ContestSimulator::HandIn::Normal);
    ASSERT_TRUE(run_question(QStringLiteral("2")));
    EXPECT_TRUE(display_has_pictures());
    EXPECT_TRUE(silent_login.is_connected());
    EXPECT_TRUE(silent_login.received().isEmpty()) << "a client that never logged in is sent nothing";
    EXPECT_TRUE(silent_examiner.received().isEmpty());
    EXPECT_TRUE(display_running());
}

class WithoutFtpServer : public ContestFixture
{
protected:
    WithoutFtpServer() { without_ftp_server = true; }
};

// The FTP server program is missing from the server's folder: no picture moves, nothing else stops.
TEST_F(WithoutFtpServer, QuestionsStillRunWithoutPictures)
{
    EXPECT_FALSE(ftp_port_open());
    ASSERT_TRUE(start_display());
    ASSERT_TRUE(sim->log_in_all());
    ASSERT_TRUE(run_question(QStringLiteral("2")));
    EXPECT_EQ(sim->failed_uploads(), 8);
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(sim->handed_in(n), 0) << n;
    const QImage grid = display_screenshot(QStringLiteral("e2e-display-no-ftp"));
    EXPECT_FALSE(grid.isNull());
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(QFile::exists(display_folder->file_path(QStringLiteral("htt%1.jpg").arg(n)))) << n;
    ASSERT_TRUE(run_question(QStringLiteral("2")));
    EXPECT_EQ(sim->machine(8).received().count("比赛|结束|0"), 2);
    EXPECT_TRUE(display_running());
    EXPECT_TRUE(display_logged_in());
}

} // namespace e2e
