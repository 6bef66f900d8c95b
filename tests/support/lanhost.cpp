#include "tests/support/lanhost.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/waits.h"

#include <QtGlobal>

namespace {

// "net:[inode]" of a process, empty when it cannot be read.
std::string namespace_of(const std::string& process)
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + process + "/ns/net", error).string();
}

} // namespace

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
    const std::string own = namespace_of("self");
    if (!wait_until(
            [&] {
                const std::string holders = namespace_of(pid.toStdString());
                return !holders.empty() && holders != own;
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
        m_failure = QStringLiteral("the veth link to the host could not be made: ") + m_last_error;
}

LanHost::~LanHost()
{
    pull_cable();
}

bool LanHost::command(const QStringList& words)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(words.first(), words.mid(1));
    if (process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    m_last_error = words.join(QLatin1Char(' ')) + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll());
    return false;
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
