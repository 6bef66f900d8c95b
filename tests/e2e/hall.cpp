#include "tests/e2e/hall.h"

namespace e2e {

std::optional<Hall> Hall::lan()
{
    const QString server_address = qEnvironmentVariable("ORUVAN_HALL_SERVER");
    if (server_address.isEmpty())
        return std::nullopt;
    Hall hall;
    hall.server_address = server_address;
    hall.server_host = QStringLiteral("server");
    hall.display_host = QStringLiteral("display");
    hall.m_machines_apart = true;
    return hall;
}

} // namespace e2e
