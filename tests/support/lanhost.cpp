#include "tests/support/lanhost.h"

#include "tests/support/waits.h"

#include <QFile>
#include <QtGlobal>

LanHost::LanHost(const QString& link, const QString& ours, const QString& theirs) : m_link(link)
{
    if (qgetenv("ORUVAN_PRIVATE_NETNS") != "1") {
        m_failure = QStringLiteral("the test does not run in a private network namespace of its own");
        return;
    }
    m_holder.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("sleep"), QStringLiteral("600")});
    if (!m_holder.waitForStarted(5000)) {
        m_failure = QStringLiteral("unshare -n could not start");
        return;
    }
    const QString pid = QString::number(m_holder.processId());
    // unshare has started, but its namespace stands only once it runs sleep in it.
    const QString own = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net"));
    const QString holders = QStringLiteral("/proc/%1/ns/net").arg(pid);
    if (!wait_until(
            [&] {
                const QString target = QFile::symLinkTarget(holders);
                return !target.isEmpty() && target != own;
            },
            5000)) {
        m_failure = QStringLiteral("unshare -n made no network namespace");
        return;
    }
    const QString peer = m_link + QStringLiteral("p");
    if (!command({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("add"), m_link, QStringLiteral("type"),
                  QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), peer, QStringLiteral("netns"),
                  pid}) ||
        !command({QStringLiteral("ip"), QStringLiteral("addr"), QStringLiteral("add"), ours, QStringLiteral("dev"),
                  m_link}) ||
        !command({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), m_link, QStringLiteral("up")}) ||
        !inside({QStringLiteral("ip"), QStringLiteral("addr"), QStringLiteral("add"), theirs, QStringLiteral("dev"),
                 peer}) ||
        !inside({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), peer, QStringLiteral("up")}) ||
        !inside({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                 QStringLiteral("up")}))
        m_failure = QStringLiteral("the veth link to the host could not be made");
}

LanHost::~LanHost()
{
    pull_cable();
}

bool LanHost::command(const QStringList& words)
{
    QProcess process;
    process.start(words.first(), words.mid(1));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool LanHost::inside(const QStringList& words)
{
    return command(QStringList{QStringLiteral("nsenter"), QStringLiteral("-t"), QString::number(m_holder.processId()),
                               QStringLiteral("-n")} +
                   words);
}

QProcess& LanHost::run(const QString& program, const QStringList& arguments)
{
    m_programs.push_back(std::make_unique<QProcess>());
    m_programs.back()->start(
        QStringLiteral("nsenter"),
        QStringList{QStringLiteral("-t"), QString::number(m_holder.processId()), QStringLiteral("-n"), program} +
            arguments);
    m_programs.back()->waitForStarted(5000);
    return *m_programs.back();
}

void LanHost::pull_cable()
{
    if (m_holder.state() == QProcess::NotRunning)
        return;
    command({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("del"), m_link});
    for (auto& program : m_programs) {
        program->kill();
        program->waitForFinished(5000);
    }
    m_holder.kill();
    m_holder.waitForFinished(5000);
}
