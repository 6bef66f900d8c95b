#include "common/events/memorytrim.h"

#include <algorithm>

#include <malloc.h>

#include <QCoreApplication>
#include <QTimer>

namespace common {

void MemoryTrim::note_open_connections(int open)
{
    m_open = open;
    m_peak = std::max(m_peak, open);
    if (m_scheduled || m_peak - open < kConnectionsGone || open > m_peak / 2 || !QCoreApplication::instance())
        return;
    m_scheduled = true;
    QTimer::singleShot(kSettleMs, QCoreApplication::instance(), [this] { trim(); });
}

void MemoryTrim::trim()
{
    m_scheduled = false;
    m_peak = m_open;
    ::malloc_trim(0);
}

} // namespace common
