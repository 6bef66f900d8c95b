#pragma once

#include <optional>

#include <QString>

namespace e2e {

// Where the programs of a contest run: all on this host's loopback, or each on a host of its own on
// the private LAN of tests/support/run-in-hall.sh. Hosts are network namespace names, empty for
// the test's own host.
struct Hall
{
    QString server_address = QStringLiteral("127.0.0.1");
    QString server_host;
    QString display_host;
    // Machine n's host; machine 0 does not exist.
    QString machine_host(int n) const { return m_machines_apart ? QStringLiteral("machine%1").arg(n) : QString(); }

    // The LAN that run-in-hall.sh made for this process; none when the test runs elsewhere.
    static std::optional<Hall> lan();

private:
    bool m_machines_apart = false;
};

} // namespace e2e
