#include "common/events/wait.h"

#include <algorithm>
#include <limits>

#include "common/events/eventqueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace common {

void delay_ms(int ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer clock;
    clock.start();
    const DispatchingWait registered(QDeadlineTimer(qint64{ms} + 1, Qt::PreciseTimer));
    QEventLoop loop;
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setSingleShot(true);
    QObject::connect(&wake, &QTimer::timeout, &loop, [&loop] { loop.exit(0); });
    // A nested loop also ends when the program is told to exit; a non-zero result or the program's
    // own loop gone means the program is ending, so the wait gives up instead of spinning.
    // In 64 bits: the longest wait, one past the largest int, must not overflow.
    const qint64 until = qint64{ms} + 1;
    for (qint64 left = until - clock.elapsed(); left > 0; left = until - clock.elapsed()) {
        wake.start(static_cast<int>(std::min<qint64>(left, std::numeric_limits<int>::max())));
        if (loop.exec() != 0 || QCoreApplication::closingDown())
            return;
        if (wake.isActive())
            return; // ended by the program's exit, not by the wake-up
    }
}

void process_pending_events()
{
    const DispatchingWait registered;
    // The pass reads the sockets; what it read runs before returning, not at the next call.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

} // namespace common
