#include "common/events/processes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

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
// Names this process to what it starts, "pid start-time", so a started server can end with it
// however this program ends.
constexpr char kStarterVariable[] = "ORUVAN_STARTER";

// A program this process started, held by a process file descriptor: that names the process alone,
// also once it has ended and its id went to another. (A start time from /proc, counted in 10 ms
// ticks, cannot tell it from a process given its id within the same tick.) The calls go through
// syscall(): glibc 2.36's <sys/pidfd.h> declares its wrappers without C linkage.
class StartedProcess final
{
public:
    explicit StartedProcess(qint64 pid) : m_fd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)))
    {
        // ESRCH: it has already ended, so there is nothing to end later.
        const int error = errno;
        if (m_fd < 0 && error != ESRCH)
            qCWarning(program_log) << "cannot hold process" << pid << "to end it later:" << qt_error_string(error);
    }
    ~StartedProcess()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(StartedProcess)

    void signal(int number) const { ::syscall(SYS_pidfd_send_signal, m_fd, number, nullptr, 0); }

    // True once it has ended (a zombie counts), waiting up to wait for that. One that could not be
    // held counts as ended: it is never signalled.
    bool ended(std::chrono::milliseconds wait) const
    {
        if (m_fd < 0)
            return true;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        pollfd exited{m_fd, POLLIN, 0};
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const int ready = ::poll(&exited, 1, static_cast<int>(std::max<qint64>(left.count(), 0)));
            if (ready >= 0 || errno != EINTR)
                return ready != 0;
        }
    }

private:
    int m_fd = -1;
};

// Keyed by the name in lower case: names are matched without regard to case.
std::map<QString, std::unique_ptr<StartedProcess>> g_started;

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
    g_started[QFileInfo(name).fileName().toLower()] = std::make_unique<StartedProcess>(pid);
}

bool terminate_process(const GbkText& name)
{
    const auto found = g_started.find(QFileInfo(to_qstring(name)).fileName().toLower());
    if (found == g_started.end())
        return false;
    const std::unique_ptr<StartedProcess> started = std::move(found->second);
    g_started.erase(found);
    if (started->ended(std::chrono::milliseconds(0)))
        return false;
    started->signal(SIGTERM);
    if (started->ended(kGrace))
        return true;
    started->signal(SIGKILL);
    return started->ended(kGrace);
}

} // namespace common
