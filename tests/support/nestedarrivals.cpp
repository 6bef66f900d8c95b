#include "tests/support/nestedarrivals.h"

#include <gtest/gtest.h>

#include "common/events/wait.h"
#include "tests/support/waits.h"

#include <QTimer>

NestedArrivals::NestedArrivals(Send send, Current current) : m_send(std::move(send)), m_current(std::move(current)) {}

void NestedArrivals::on_arrival()
{
    ++m_depth;
    m_runs.push_back({m_current(), m_clock.elapsed(), m_depth});
    if (m_current() == "first") {
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(100 + 200 * i, [this, i] { m_send(QByteArray(1, char('a' + i))); });
        common::delay_ms(1000);
        EXPECT_EQ(m_current(), common::ByteData("first")) << "its own arrival again after the nested ones";
    }
    --m_depth;
}

bool NestedArrivals::run(const Send& send_first)
{
    m_clock.start();
    send_first("first");
    return wait_until([this] { return m_runs.size() == 4 && m_depth == 0; });
}

void NestedArrivals::expect_nested_in_order() const
{
    ASSERT_EQ(m_runs.size(), 4u);
    const std::vector<common::ByteData> order{m_runs[0].data, m_runs[1].data, m_runs[2].data, m_runs[3].data};
    EXPECT_EQ(order, (std::vector<common::ByteData>{"first", "a", "b", "c"}));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(m_runs[i].depth, 2) << "arrival " << i << " ran nested in the first handler";
        // Sent at 100, 300, 500 ms; handled at once, not after the first handler's second.
        EXPECT_LT(m_runs[i].started_ms, 100 + 200 * (i - 1) + 400) << "arrival " << i;
    }
}
