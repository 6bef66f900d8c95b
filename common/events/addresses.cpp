#include "common/events/addresses.h"

#include <QNetworkInterface>

namespace common {

TextList local_ip_addresses()
{
    constexpr size_t kMost = 10;
    TextList outside;
    TextList loopback;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (address.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            (address.isLoopback() ? loopback : outside).push_back(address.toString().toStdString());
        }
    }
    outside.insert(outside.end(), loopback.begin(), loopback.end());
    if (outside.size() > kMost)
        outside.resize(kMost);
    return outside;
}

} // namespace common
