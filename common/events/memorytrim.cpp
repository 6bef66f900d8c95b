#include "common/events/memorytrim.h"

#include <algorithm>

#include <malloc.h>

#include <QCoreApplication>
#include <QTimer>

namespace common {

bool TrimRule::note_open_connections(int open)
{
    m_open = open;
    m_peak = std::max(m_peak, open);
    if (m_due || m_peak - open < kConnectionsGone || open > m_peak / 2)
        return false;
    m_due = true;
    return true;
}

void TrimRule::trimmed()
{
    m_due = false;
    m_peak = m_open;
}

void MemoryTrim::note_open_connections(int open)
{
    if (!m_rule.note_open_connections(open) || !QCoreApplication::instance())
        return;
    QTimer::singleShot(kSettleMs, QCoreApplication::instance(), [this] {
        m_rule.trimmed();
        ::malloc_trim(0);
    });
}

} // namespace common
