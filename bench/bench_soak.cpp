// A long contest between the two real programs: 50 questions back to back with all eleven clients,
// the server driven through its window. Prints what was sent and received, the memory of both
// programs at start and end and their CPU use while idle between questions.
// Runs itself in a private network namespace, since it listens on the contest's fixed ports.

#include <cstdio>
#include <vector>

#include "bench/support/benchsupport.h"
#include "tests/e2e/realcontest.h"
#include "tests/support/waits.h"

#include <QApplication>

namespace {

constexpr int kQuestions = 50;

} // namespace

int main(int argc, char** argv)
{
    enter_private_network(argc, argv);
    set_default_environment();
    QApplication app(argc, argv);

    e2e::RealContest contest;
    if (!contest.start()) {
        std::fprintf(stderr, "soak: %s\n", qPrintable(contest.error()));
        return 1;
    }
    const e2e::ProcessFigures server_start = e2e::process_figures(contest.server().pid());
    const e2e::ProcessFigures display_start = e2e::process_figures(contest.display().pid());
    double server_idle_cpu = 0, display_idle_cpu = 0, idle_seconds = 0;
    for (int q = 1; q <= kQuestions; ++q) {
        if (!contest.run_question(QStringLiteral("2")) ||
            !contest.sim().send_judge_result("结果|评委|正确|错误|正确|错误")) {
            std::fprintf(stderr, "soak: question %d: %s\n", q, qPrintable(contest.error()));
            return 1;
        }
        const e2e::ProcessFigures server_before = e2e::process_figures(contest.server().pid());
        const e2e::ProcessFigures display_before = e2e::process_figures(contest.display().pid());
        settle_ms(1000, "the programs' CPU time while nothing happens");
        server_idle_cpu += e2e::process_figures(contest.server().pid()).cpu_seconds - server_before.cpu_seconds;
        display_idle_cpu += e2e::process_figures(contest.display().pid()).cpu_seconds - display_before.cpu_seconds;
        idle_seconds += 1;
    }
    const e2e::ProcessFigures server_end = e2e::process_figures(contest.server().pid());
    const e2e::ProcessFigures display_end = e2e::process_figures(contest.display().pid());

    qint64 messages_bytes = 0;
    for (const e2e::ContestSimulator::Entry& entry : contest.sim().log())
        messages_bytes += entry.bytes.size();
    int handed_in = 0;
    for (int n = 1; n <= 8; ++n)
        handed_in += contest.sim().handed_in(n);
    const QString order = contest.check_machine_streams(kQuestions, 2);
    std::printf("questions: %d, limit 2 s\n", kQuestions);
    std::printf("arrivals at the clients: %zu (%lld bytes); hand-ins sent: %d; failed uploads: %d\n",
                contest.sim().log().size(), messages_bytes, handed_in, contest.sim().failed_uploads());
    std::printf("expected messages per machine: %d; order and count: %s\n", 1 + kQuestions * 8,
                order.isEmpty() ? "all as sent" : qPrintable(order));
    std::printf("server RSS: %lld kB at start, %lld kB at end (%+lld kB)\n", server_start.rss_kb, server_end.rss_kb,
                server_end.rss_kb - server_start.rss_kb);
    std::printf("display RSS: %lld kB at start, %lld kB at end (%+lld kB)\n", display_start.rss_kb, display_end.rss_kb,
                display_end.rss_kb - display_start.rss_kb);
    std::printf("CPU between questions: server %.2f%%, display %.2f%%\n", 100 * server_idle_cpu / idle_seconds,
                100 * display_idle_cpu / idle_seconds);
    std::printf("exit code of the server after quit: %d\n", contest.quit());
    return order.isEmpty() ? 0 : 1;
}
