#include "tests/support/waits.h"

#include <QTest>

bool wait_until(const std::function<bool()>& condition, int timeout_ms)
{
    return QTest::qWaitFor(condition, timeout_ms);
}

void settle_ms(int ms, const char* /*reason*/)
{
    QTest::qWait(ms);
}
