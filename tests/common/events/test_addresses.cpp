#include <gtest/gtest.h>

#include "common/events/addresses.h"
#include "tests/support/cannotrun.h"

#include <QNetworkInterface>
#include <QProcess>

using namespace common;

namespace {

bool only_loopback()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return interfaces.size() == 1 && interfaces.front().flags().testFlag(QNetworkInterface::IsLoopBack);
}

bool add_address(const QString& cidr)
{
    return QProcess::execute(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("add"), cidr,
                                                    QStringLiteral("dev"), QStringLiteral("lo")}) == 0;
}

} // namespace

// Runs in a private network namespace that has only the loopback interface, which it may change.
TEST(LocalAddresses, LoopbackAloneThenOutsideAddressesFirstAndAtMostTen)
{
    if (!only_loopback())
        SKIP_OR_FAIL_UNDER_CI("needs a private network namespace");
    EXPECT_EQ(local_ip_addresses(), TextList{"127.0.0.1"});

    ASSERT_TRUE(add_address(QStringLiteral("10.9.8.7/24")));
    const TextList two = local_ip_addresses();
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], "10.9.8.7");
    EXPECT_EQ(two[1], "127.0.0.1");

    for (int i = 1; i <= 12; ++i)
        ASSERT_TRUE(add_address(QStringLiteral("10.20.%1.1/24").arg(i)));
    const TextList many = local_ip_addresses();
    EXPECT_EQ(many.size(), 10u);
    EXPECT_EQ(std::count(many.begin(), many.end(), "127.0.0.1"), 0);
}
