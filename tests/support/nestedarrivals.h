#pragma once

#include <functional>
#include <vector>

#include "common/text/bytedata.h"

#include <QElapsedTimer>

// One connection's arrivals at a socket control whose handler waits a second on "first" while the
// peer sends "a", "b" and "c" 100, 300 and 500 ms later: each run of the handler is recorded with
// its start time and how deeply it is nested.
class NestedArrivals final
{
public:
    using Send = std::function<void(const QByteArray&)>;
    using Current = std::function<common::ByteData()>;

    // send: the peer's send; current: the data of the running handler (client_get_data, ...).
    NestedArrivals(Send send, Current current);

    // The control's dataArrived handler.
    void on_arrival();
    // Sends "first" and waits until every run has ended.
    bool run(const Send& send_first);
    // The three later words ran in order, nested in the first, each soon after it was sent.
    void expect_nested_in_order() const;

private:
    struct Run
    {
        common::ByteData data;
        qint64 started_ms = 0;
        int depth = 0;
    };

    Send m_send;
    Current m_current;
    QElapsedTimer m_clock;
    std::vector<Run> m_runs;
    int m_depth = 0;
};
