#include "tests/support/cannotrun.h"

#include <QByteArray>
#include <QtGlobal>

bool running_under_ci()
{
    const QByteArray ci = qgetenv("CI").toLower();
    return ci == "true" || ci == "1";
}
