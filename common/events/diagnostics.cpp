#include "common/events/diagnostics.h"

#include <QCoreApplication>

namespace common {

const QLoggingCategory& program_log()
{
    // The category keeps a pointer to its name: the name must live as long.
    static const QByteArray name = "oruvan." + QCoreApplication::applicationName().toUtf8();
    static const QLoggingCategory category(name.constData());
    return category;
}

} // namespace common
