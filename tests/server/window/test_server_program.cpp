#include <algorithm>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "protocol/ports.h"
#include "tests/support/fakeclient.h"
#include "tests/support/ports.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

// The whole server process: a program folder holding the program and the real FTP server program,
// started from another folder, so it has to find its own.
namespace {

// From the kernel's socket table: a probe connection would wake an idle server loop and so hide
// a watch that only runs on traffic.
bool port_listening(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1].endsWith(local) && fields[3] == "0A")
            return true;
    }
    return false;
}

// A process that has ended is gone or a zombie.
bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.at(line.lastIndexOf(')') + 2) != 'Z';
}

// The soft and hard limits of open files of a process, as "soft hard".
QByteArray file_limits(qint64 pid)
{
    QFile limits(QStringLiteral("/proc/%1/limits").arg(pid));
    if (!limits.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : limits.readAll().split('\n'))
        if (line.startsWith("Max open files")) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            return fields[3] + ' ' + fields[4];
        }
    return {};
}

bool port_accepts(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    return probe.waitForConnected(300);
}

class ServerProcess
{
public:
    // program: the executable to copy into the folder as the server; ftp_script: a stand-in for the
    // FTP server program, the real one when empty.
    explicit ServerProcess(const QString& program, const QByteArray& ftp_script = {})
    {
        const QString server = m_folder.filePath(QStringLiteral("Oruvan"));
        const QString ftp = m_folder.filePath(QStringLiteral("ftpserver.exe"));
        m_valid = QFile::copy(program, server) && put_ftp_program(ftp, ftp_script) &&
                  QFile::setPermissions(ftp, QFile::permissions(ftp) | QFileDevice::ExeOwner);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setWorkingDirectory(QDir::tempPath());
        m_process.start(server, {});
        m_valid = m_valid && m_process.waitForStarted(5000);
    }
    ~ServerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool valid() const { return m_valid; }
    QString folder_path(const QString& name) const { return m_folder.filePath(name); }
    QByteArray read_file(const QString& name) const
    {
        QFile file(folder_path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QProcess& process() { return m_process; }
    // Standard output so far, kept across reads.
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

private:
    static bool put_ftp_program(const QString& path, const QByteArray& script)
    {
        if (script.isEmpty())
            return QFile::copy(qEnvironmentVariable("ORUVAN_SOURCE_DIR") + "/tools/ftpserver.py", path);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(script) == script.size();
    }

    QTemporaryDir m_folder;
    QProcess m_process;
    QByteArray m_output;
    bool m_valid = false;
};

} // namespace

// However the server ends, its FTP server program goes with it and frees the port for the next start.
// Started with a desktop session's soft limit of 1,024 open files, it raises its own to the hard limit.
TEST(ServerProgram, KilledServerTakesItsFtpServerAlong)
{
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    const rlimit desktop{std::min<rlim_t>(1024, files.rlim_max), files.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &desktop);
    ServerProcess server(qEnvironmentVariable("ORUVAN_BUILD_DIR") + "/Oruvan/Oruvan");
    ::setrlimit(RLIMIT_NOFILE, &files);
    ASSERT_TRUE(server.valid());
    const QByteArray hard = QByteArray::number(static_cast<qulonglong>(files.rlim_max));
    EXPECT_TRUE(wait_until([&] { return file_limits(server.process().processId()) == hard + ' ' + hard; }))
        << file_limits(server.process().processId()).toStdString();
    // Nobody connects to it before the kill: the watch must not depend on traffic.
    ASSERT_TRUE(wait_until([] { return port_listening(protocol::kFtpPort); }, 10000))
        << "the FTP server program never listened";
    ::kill(static_cast<pid_t>(server.process().processId()), SIGKILL);
    ASSERT_TRUE(server.process().waitForFinished(5000));
    EXPECT_TRUE(wait_until([] { return !port_listening(protocol::kFtpPort); }, 5000)) << "the FTP port still held";
}

// Yes ends the process, also while a handler waits for a site that never answers: every client is
// sent away first, and the FTP server program is ended, killed after its grace when it ignores the
// request. That grace comes after Yes, so a connection tried during it must be refused, not taken
// into the listen queue. The exit code is 0.
TEST(ServerProgram, QuitWhileALookupWaitsEndsAndRefusesConnectionsAfterYes)
{
    ServerProcess server(QStringLiteral(ORUVAN_SCRIPTED_SERVER),
                         "#!/bin/sh\ntrap 'echo > termed' TERM\necho $$ > started\nwhile :; do sleep 0.05; done\n");
    ASSERT_TRUE(server.valid());
    ASSERT_TRUE(wait_until([&] { return !server.read_file(QStringLiteral("started")).isEmpty(); }, 10000))
        << "the FTP server program never started";
    const qint64 ftp_pid = server.read_file(QStringLiteral("started")).trimmed().toLongLong();
    FakeClient machine;
    ASSERT_TRUE(machine.connect_to(protocol::kLoginPort));
    machine.send("登录|4");
    ASSERT_TRUE(machine.wait_for("登录|成功"));

    const SilentListener site;
    ASSERT_TRUE(site.listening());
    server.process().write("lookup http://127.0.0.1:" + QByteArray::number(site.port()) + "\n");
    ASSERT_TRUE(wait_until([&] { return server.output().contains("asked"); }, 5000)) << "no quit question";
    ASSERT_TRUE(wait_until([&] { return QFile::exists(server.folder_path(QStringLiteral("termed"))); }, 5000))
        << "the FTP server program was not asked to end";
    EXPECT_FALSE(port_accepts(protocol::kLoginPort)) << "a connection was taken after Yes";

    // The FTP server program's grace, and not the lookup's time-outs.
    EXPECT_TRUE(wait_until([&] { return server.process().state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process().exitCode(), 0);
    EXPECT_TRUE(machine.wait_closed());
    EXPECT_EQ(machine.received(), "登录|成功退出|结束|0");
    EXPECT_TRUE(wait_until([&] { return !running(ftp_pid); })) << "the FTP server program still runs";
}
