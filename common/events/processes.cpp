#include "common/events/processes.h"

#include <chrono>
#include <map>
#include <thread>

#include <signal.h>

#include "common/events/diagnostics.h"
#include "common/text/gbkcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace common {

namespace {

constexpr auto kGrace = std::chrono::milliseconds(2000);
constexpr auto kPoll = std::chrono::milliseconds(20);
// Names this process to what it starts, "pid start-time", so a started server can end with it
// however this program ends.
constexpr char kStarterVariable[] = "ORUVAN_STARTER";

struct Started
{
    qint64 pid = 0;
    QByteArray start_time; // from /proc: tells our process from a later one that reuses its id
};

// Keyed by the name in lower case: names are matched without regard to case.
std::map<QString, Started> g_started;

// Field 22 of /proc/<pid>/stat (the start time), empty when the process is gone or a zombie.
QByteArray start_time_of(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces: count fields after its closing parenthesis.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // fields[0] is field 3 (the state), so field 22 is fields[19].
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X")
        return {};
    return fields[19];
}

bool still_ours(const Started& started)
{
    return !started.start_time.isEmpty() && start_time_of(started.pid) == started.start_time;
}

bool wait_gone(const Started& started)
{
    for (auto waited = std::chrono::milliseconds(0); waited < kGrace; waited += kPoll) {
        if (!still_ours(started))
            return true;
        std::this_thread::sleep_for(kPoll);
    }
    return !still_ours(started);
}

} // namespace

void shell_execute(const GbkText& verb, const GbkText& file)
{
    if (!verb.empty() && verb != "open")
        return;
    const QString name = to_qstring(file);
    if (name.isEmpty())
        return;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const qint64 own_pid = QCoreApplication::applicationPid();
    environment.insert(QString::fromLatin1(kStarterVariable),
                       QStringLiteral("%1 %2").arg(own_pid).arg(QString::fromLatin1(start_time_of(own_pid))));
    QProcess process;
    process.setProgram(QDir::current().absoluteFilePath(name));
    process.setWorkingDirectory(QDir::currentPath());
    process.setProcessEnvironment(environment);
    qint64 pid = 0;
    if (!process.startDetached(&pid) || pid <= 0) {
        qCWarning(program_log).noquote() << "cannot start" << process.program() << "-" << process.errorString();
        return;
    }
    g_started[QFileInfo(name).fileName().toLower()] = {pid, start_time_of(pid)};
}

bool terminate_process(const GbkText& name)
{
    const auto found = g_started.find(QFileInfo(to_qstring(name)).fileName().toLower());
    if (found == g_started.end())
        return false;
    const Started started = found->second;
    g_started.erase(found);
    if (!still_ours(started))
        return false;
    ::kill(static_cast<pid_t>(started.pid), SIGTERM);
    if (wait_gone(started))
        return true;
    ::kill(static_cast<pid_t>(started.pid), SIGKILL);
    return wait_gone(started);
}

} // namespace common
