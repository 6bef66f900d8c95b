#include "common/events/timer.h"

#include "common/events/eventgate.h"
#include "common/events/eventqueue.h"

namespace common {

Timer::Timer(int period_ms, QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::on_tick);
    set_interval_ms(period_ms);
}

void Timer::set_interval_ms(int period_ms)
{
    if (period_ms < 0)
        period_ms = 0;
    if (period_ms == m_period)
        return;
    m_period = period_ms;
    ++m_run;
    m_timer.stop();
    if (m_period > 0)
        m_timer.start(m_period);
}

void Timer::on_tick()
{
    if (events_suspended() || m_tick_run == m_run)
        return;
    const quint64 run = m_run;
    m_tick_run = run;
    queue_event(this, [this, run] {
        if (run == m_run)
            emit timeout();
        if (m_tick_run == run)
            m_tick_run = 0;
    });
}

} // namespace common
