#pragma once

#include <QLoggingCategory>

// Warnings for the maintainer who starts a program from a terminal: failures that the windows
// rightly show nothing of (a port that cannot be bound, the FTP server program that does not
// start, an FTP login that fails). One category per program, named after it: "oruvan.Oruvan",
// "oruvan.OruvanScreen". Silence it with QT_LOGGING_RULES="oruvan.*.warning=false".
namespace common {

const QLoggingCategory& program_log();

} // namespace common
