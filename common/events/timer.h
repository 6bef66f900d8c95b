#pragma once

#include <QObject>
#include <QTimer>

// A window timer: its period in milliseconds, running exactly when the period is positive. Its ticks
// go through the one event queue, behind the socket arrivals read before they fell due; a tick that
// falls due while the last one is still queued or running is skipped, and a queued tick is dropped
// when the period is written.
namespace common {

class Timer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Timer)

public:
    // The design period: a positive one starts the timer at once.
    explicit Timer(int period_ms = 0, QObject* parent = nullptr);

    int interval_ms() const { return m_period; }
    // Negative counts as 0; the current period changes nothing (a running timer keeps its phase);
    // another positive value restarts with a full first period; 0 stops.
    void set_interval_ms(int period_ms);

signals:
    void timeout();

private:
    void on_tick();

    QTimer m_timer;
    int m_period = 0;
    quint64 m_run = 0;      // counts the writes of another period
    quint64 m_tick_run = 0; // the run whose tick is queued or running, 0 for none
};

} // namespace common
