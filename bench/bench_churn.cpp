#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bench/support/benchserver.h"
#include "bench/support/benchsupport.h"
#include "common/events/listensocket.h"
#include "common/widgets/controls.h"
#include "protocol/ports.h"
#include "tests/support/fakeclient.h"
#include "tests/support/flooder.h"
#include "tests/support/ports.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

// One address that opens and closes connections to the login port as fast as it can while a countdown
// runs: the real window, offscreen, under a limit of 20,000 open files. It runs itself in a private
// network namespace, since the server listens on its fixed ports.

namespace {

constexpr rlim_t kFileLimit = 20000;
constexpr int kChurnMs = 10000;
constexpr int kCountdownSeconds = 15;
constexpr int kChurners = 2;

int open_files()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}

// Highest open files and resident memory of this process, sampled off the event loop's thread so
// that a starved loop cannot hide them.
class Sampler final
{
public:
    Sampler()
        : m_thread([this] {
              while (!m_stop) {
                  m_files = std::max(m_files.load(), open_files());
                  m_kib = std::max(m_kib.load(), resident_kib());
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          })
    {
    }
    ~Sampler() { stop(); }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int files() const { return m_files; }
    qint64 kib() const { return m_kib; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_files{0};
    std::atomic<qint64> m_kib{0};
    std::thread m_thread;
};

// Connects from 127.0.0.2 and closes at once, in a loop, until stopped.
void churn(const std::atomic<bool>& stop, std::atomic<long>& made)
{
    while (!stop) {
        const int fd = connect_from("127.0.0.2", protocol::kLoginPort);
        if (fd >= 0) {
            ++made;
            ::close(fd);
        }
    }
}

// Churning for 10 s from one address during a 15-second countdown to a logged-in machine. Targets:
// open files under the bound per address plus a few dozen, memory under 100 MB, every tick within
// 1 s of its time, a login from another address answered at once after the churn.
void BM_ConnectionChurnFromOneAddress(benchmark::State& state)
{
    const rlimit files{kFileLimit, kFileLimit};
    ::setrlimit(RLIMIT_NOFILE, &files);
    for (auto _ : state) {
        BenchServer server;
        FakeClient machine;
        if (!server.listening() || !machine.connect_to(protocol::kLoginPort) || !machine.send("登录|1") ||
            !machine.wait_for("登录|")) {
            state.SkipWithError("cannot listen on the login port: run in a private network namespace");
            return;
        }
        machine.clear_received();
        server::ServerWindow* window = &server.window();
        common::set_content(window->编辑框[2], std::to_string(kCountdownSeconds));
        window->选择框[7]->setChecked(false);

        const int files_before = open_files();
        const qint64 kib_before = resident_kib();
        Sampler sampler;
        QElapsedTimer clock;
        clock.start();
        window->按钮[2]->click();
        const qint64 sent = machine.elapsed_ms();
        std::atomic<bool> stop{false};
        std::atomic<long> made{0};
        std::vector<std::thread> churners;
        for (int k = 0; k < kChurners; ++k)
            churners.emplace_back(churn, std::cref(stop), std::ref(made));
        wait_events_until([&] { return clock.elapsed() >= kChurnMs; }, kChurnMs + 1000);
        stop = true;
        for (auto& churner : churners)
            churner.join();

        const qint64 churn_end = clock.elapsed();
        FakeClient late;
        late.connect_to(protocol::kLoginPort, QStringLiteral("127.0.0.1"), 60000);
        late.send("登录|2");
        const bool answered = wait_events_until([&] { return late.received().contains("登录|"); }, 60000);
        const qint64 login_ms = clock.elapsed() - churn_end;
        const bool ended = wait_events_until([&] { return machine.received().contains("计时|0|"); }, 120000);
        sampler.stop();
        if (!answered || !ended) {
            state.SkipWithError("the login or the countdown's end never came");
            return;
        }

        double worst_late = 0;
        QByteArray seen;
        int next = kCountdownSeconds;
        for (const FakeClient::Arrival& piece : machine.arrivals()) {
            seen += piece.bytes;
            while (next >= 0 && seen.contains("计时|" + QByteArray::number(next) + "|")) {
                const qint64 due = sent + (kCountdownSeconds - next + 1) * 1000;
                worst_late = std::max(worst_late, static_cast<double>(piece.at_ms - due));
                --next;
            }
        }
        state.SetIterationTime(static_cast<double>(clock.elapsed()) / 1000.0);
        state.counters["connections_per_s"] = static_cast<double>(made) * 1000.0 / kChurnMs;
        state.counters["open_files_before"] = files_before;
        state.counters["open_files_peak"] = sampler.files();
        state.counters["rss_before_MiB"] = static_cast<double>(kib_before) / 1024.0;
        state.counters["rss_peak_MiB"] = static_cast<double>(sampler.kib()) / 1024.0;
        state.counters["tick_worst_late_ms"] = worst_late;
        state.counters["login_after_churn_ms"] = static_cast<double>(login_ms);

        late.close();
        machine.close();
    }
}
BENCHMARK(BM_ConnectionChurnFromOneAddress)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
