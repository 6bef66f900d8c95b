#include <chrono>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include "common/events/eventgate.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "tests/support/waits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

using common::delay_ms;
using common::Timer;

namespace {

// Records when each tick of a timer came, in ms since the recorder was made.
struct TickLog
{
    explicit TickLog(Timer& timer)
    {
        clock.start();
        QObject::connect(&timer, &Timer::timeout, [this] { ticks.push_back(clock.elapsed()); });
    }
    QElapsedTimer clock;
    std::vector<qint64> ticks;
};

} // namespace

// The longest wait is a real wait, ended here by the program's exit; its own process, since an exit
// ends every later event loop too.
TEST(DelayDeathTest, TheLargestWaitWaitsUntilTheProgramEnds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QElapsedTimer clock;
            clock.start();
            QTimer::singleShot(300, [] { QCoreApplication::exit(1); });
            delay_ms(std::numeric_limits<int>::max());
            std::exit(clock.elapsed() >= 250 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Timer, DesignPeriodStartsOnlyWhenPositive)
{
    Timer running(40);
    Timer stopped(0);
    Timer negative(-5);
    TickLog log(running), none(stopped), none2(negative);
    EXPECT_EQ(running.interval_ms(), 40);
    EXPECT_EQ(negative.interval_ms(), 0);
    ASSERT_TRUE(wait_until([&] { return log.ticks.size() >= 2; }, 3000));
    EXPECT_TRUE(none.ticks.empty());
    EXPECT_TRUE(none2.ticks.empty());
}

TEST(Timer, SamePeriodKeepsThePhase)
{
    Timer timer(1000);
    TickLog log(timer);
    delay_ms(600);
    timer.set_interval_ms(1000);
    ASSERT_TRUE(wait_until([&] { return !log.ticks.empty(); }, 3000));
    // Restarting would put the tick at 1600 ms.
    EXPECT_LT(log.ticks.front(), 1400);
}

TEST(Timer, AnotherPeriodRestartsWithAFullFirstPeriod)
{
    Timer timer(1000);
    TickLog log(timer);
    delay_ms(600);
    timer.set_interval_ms(800);
    EXPECT_EQ(timer.interval_ms(), 800);
    ASSERT_TRUE(wait_until([&] { return !log.ticks.empty(); }, 3000));
    EXPECT_GE(log.ticks.front(), 1350);
}

TEST(Timer, ZeroOrNegativeStopsAndAStoppedTimerStartsAFreshPeriod)
{
    Timer timer(100);
    TickLog log(timer);
    timer.set_interval_ms(-1);
    EXPECT_EQ(timer.interval_ms(), 0);
    delay_ms(300);
    EXPECT_TRUE(log.ticks.empty());

    const qint64 started = log.clock.elapsed();
    timer.set_interval_ms(500);
    ASSERT_TRUE(wait_until([&] { return !log.ticks.empty(); }, 3000));
    EXPECT_GE(log.ticks.front() - started, 480);
}

TEST(Wait, DelayLetsAnotherTimerTickInsideAHandler)
{
    Timer fast(50);
    Timer once(10);
    TickLog fast_log(fast);
    int fast_ticks_inside = -1;
    qint64 waited = 0;
    QObject::connect(&once, &Timer::timeout, [&] {
        once.set_interval_ms(0);
        const size_t before = fast_log.ticks.size();
        QElapsedTimer clock;
        clock.start();
        delay_ms(400);
        waited = clock.elapsed();
        fast_ticks_inside = static_cast<int>(fast_log.ticks.size() - before);
    });
    ASSERT_TRUE(wait_until([&] { return fast_ticks_inside >= 0; }, 3000));
    EXPECT_GE(fast_ticks_inside, 3);
    EXPECT_GT(waited, 400 - 1);
}

TEST(Wait, DelayOfZeroOrLessReturnsAtOnceWithoutDispatching)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    delay_ms(0);
    delay_ms(-20);
    EXPECT_LT(clock.elapsed(), 50);
    EXPECT_FALSE(ran);
    common::process_pending_events();
    EXPECT_TRUE(ran);
}

TEST(Wait, DelaySleepsInsteadOfSpinning)
{
    const std::clock_t cpu_before = std::clock();
    delay_ms(600);
    const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_before) / CLOCKS_PER_SEC;
    EXPECT_LT(cpu_ms, 300.0);
}

TEST(EventGate, TicksThatFallDueWhileSuspendedAreDropped)
{
    common::suspend_events();
    Timer timer(50);
    TickLog log(timer);
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // creation work, no dispatching
    common::release_events();
    EXPECT_FALSE(common::events_suspended());
    EXPECT_TRUE(log.ticks.empty());
    ASSERT_TRUE(wait_until([&] { return !log.ticks.empty(); }, 3000));
}
