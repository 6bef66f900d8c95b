#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "bench/support/benchserver.h"
#include "bench/support/benchsupport.h"
#include "common/events/listensocket.h"
#include "protocol/ports.h"
#include "tests/support/connectioncrowd.h"
#include "tests/support/flooder.h"

// Bursts of idle connections from a hundred addresses, each held a moment and let go, against the
// real window, offscreen: the server's resident memory at start and after each burst has gone. It
// runs itself in a private network namespace, since the server listens on its fixed ports.

namespace {

constexpr rlim_t kFileLimit = 20000;
constexpr int kBursts = 3;
constexpr int kHosts = 100;
constexpr int kPerHost = 100;
constexpr int kHoldMs = 500;
constexpr int kAfterCloseMs = 2000;

bool never()
{
    return false;
}

// Three bursts of 10,000 connections to the login port. Targets: after the third burst, memory
// under the start's plus 50 MB and within 20 MB of the first's.
void BM_ConnectionBursts(benchmark::State& state)
{
    const rlimit files{kFileLimit, kFileLimit};
    ::setrlimit(RLIMIT_NOFILE, &files);
    for (auto _ : state) {
        BenchServer server;
        ConnectionCrowd crowd(wait_events_until);
        if (!server.listening() || !crowd.running()) {
            state.SkipWithError("cannot listen on the login port: run in a private network namespace");
            return;
        }
        const common::ListenSocket& login = *server.window().服务器[0];
        wait_events_until(never, kAfterCloseMs);
        state.counters["rss_start_MiB"] = static_cast<double>(resident_kib()) / 1024.0;
        for (int burst = 1; burst <= kBursts; ++burst) {
            const int held = crowd.open(protocol::kLoginPort, 1, kHosts, kPerHost);
            const bool all_seen =
                wait_events_until([&] { return static_cast<int>(login.clients().size()) == held; }, 60000);
            wait_events_until(never, kHoldMs);
            crowd.close_all();
            const bool all_gone = wait_events_until([&] { return login.clients().empty(); }, 60000);
            if (held != kHosts * kPerHost || !all_seen || !all_gone) {
                state.SkipWithError("a burst was not accepted whole or not closed");
                return;
            }
            wait_events_until(never, kAfterCloseMs);
            state.counters["rss_after_burst_" + std::to_string(burst) + "_MiB"] =
                static_cast<double>(resident_kib()) / 1024.0;
        }
    }
}
BENCHMARK(BM_ConnectionBursts)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
