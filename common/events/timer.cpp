#include "common/events/timer.h"

#include "common/events/eventgate.h"

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
    m_timer.stop();
    if (m_period > 0)
        m_timer.start(m_period);
}

void Timer::on_tick()
{
    if (events_suspended())
        return;
    emit timeout();
}

} // namespace common
