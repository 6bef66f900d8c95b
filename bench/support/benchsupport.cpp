#include "bench/support/benchsupport.h"

#include <vector>

#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QtGlobal>

void enter_private_network(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ORUVAN_IN_NETNS"))
        return;
    qputenv("ORUVAN_IN_NETNS", "1");
    std::vector<char*> args{const_cast<char*>(ORUVAN_NETNS_RUNNER)};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execv(ORUVAN_NETNS_RUNNER, args.data());
}

void set_default_environment()
{
    if (!qEnvironmentVariableIsSet("ORUVAN_SOURCE_DIR"))
        qputenv("ORUVAN_SOURCE_DIR", ORUVAN_SOURCE_DIR);
    if (!qEnvironmentVariableIsSet("ORUVAN_BUILD_DIR"))
        qputenv("ORUVAN_BUILD_DIR", ORUVAN_BUILD_DIR);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool place_idle_ftp_launcher(const QString& folder)
{
    QFile launcher(QDir(folder).filePath(QStringLiteral("ftpserver.exe")));
    return launcher.open(QIODevice::WriteOnly) && launcher.write("#!/bin/sh\nexit 0\n") > 0 &&
           launcher.setPermissions(launcher.permissions() | QFileDevice::ExeOwner);
}

bool wait_events_until(const std::function<bool()>& condition, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    // Wakes the loop now and then, so that the deadline is seen also when nothing happens.
    QTimer wake;
    wake.start(50);
    QEventLoop loop;
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
