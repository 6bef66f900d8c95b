#pragma once

#include "common/text/gbktext.h"

#include <QString>

// GBK <-> Unicode at the widget edge: the only place a GbkText becomes a QString and back.
namespace common {

QString to_qstring(const GbkText& text);
GbkText from_qstring(const QString& text);

} // namespace common
