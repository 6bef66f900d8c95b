#include <gtest/gtest.h>
#include <signal.h>

#include "tests/support/fakeclient.h"
#include "tests/support/ports.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

// The whole server process: a program folder holding the program and the real FTP server program,
// started from another folder, so it has to find its own.
namespace {

constexpr quint16 kFtpPort = 211;

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

bool port_accepts(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    return probe.waitForConnected(300);
}

class ServerProcess
{
public:
    // program: the executable to copy into the folder as the server.
    explicit ServerProcess(const QString& program)
    {
        const QString server = m_folder.filePath(QStringLiteral("Oruvan"));
        const QString ftp = m_folder.filePath(QStringLiteral("ftpserver.exe"));
        m_valid = QFile::copy(program, server) &&
                  QFile::copy(qEnvironmentVariable("ORUVAN_SOURCE_DIR") + "/tools/ftpserver.py", ftp) &&
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
    QProcess& process() { return m_process; }
    // Standard output so far, kept across reads.
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QByteArray m_output;
    bool m_valid = false;
};

} // namespace

// However the server ends, its FTP server program goes with it and frees the port for the next start.
TEST(ServerProgram, KilledServerTakesItsFtpServerAlong)
{
    ServerProcess server(qEnvironmentVariable("ORUVAN_BUILD_DIR") + "/Oruvan/Oruvan");
    ASSERT_TRUE(server.valid());
    // Nobody connects to it before the kill: the watch must not depend on traffic.
    ASSERT_TRUE(wait_until([] { return port_listening(kFtpPort); }, 10000)) << "the FTP server program never listened";
    ::kill(static_cast<pid_t>(server.process().processId()), SIGKILL);
    ASSERT_TRUE(server.process().waitForFinished(5000));
    EXPECT_TRUE(wait_until([] { return !port_listening(kFtpPort); }, 5000)) << "port 211 still held";
}

// Yes ends the process at once, also while a handler waits for a site that never answers: every
// client is sent away first, nobody is answered after Yes, the FTP server program ends too, and
// the exit code is 0.
TEST(ServerProgram, QuitWhileALookupWaitsEndsAtOnceAndAnswersNobodyAfterYes)
{
    ServerProcess server(QStringLiteral(ORUVAN_SCRIPTED_SERVER));
    ASSERT_TRUE(server.valid());
    ASSERT_TRUE(wait_until([] { return port_accepts(kFtpPort); }, 10000)) << "the FTP server program never listened";
    FakeClient machine;
    ASSERT_TRUE(machine.connect_to(19730));
    machine.send("登录|4");
    ASSERT_TRUE(machine.wait_for("登录|成功"));

    const SilentListener site;
    ASSERT_TRUE(site.listening());
    server.process().write("lookup http://127.0.0.1:" + QByteArray::number(site.port()) + "\n");
    ASSERT_TRUE(wait_until([&] { return server.output().contains("asked"); }, 5000)) << "no quit question";
    QElapsedTimer since_yes;
    since_yes.start();

    FakeClient late;
    if (late.connect_to(19730, QStringLiteral("127.0.0.1"), 500))
        late.send("登录|5");
    EXPECT_TRUE(wait_until([&] { return server.process().state() == QProcess::NotRunning; }, 2000))
        << "still running " << since_yes.elapsed() << " ms after Yes";
    EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process().exitCode(), 0);
    late.wait_closed(1000);
    EXPECT_FALSE(late.received().contains("登录|成功")) << "a login was answered after Yes";
    EXPECT_TRUE(machine.wait_closed());
    EXPECT_EQ(machine.received(), "登录|成功退出|结束|0");
    EXPECT_FALSE(port_accepts(kFtpPort)) << "the FTP server program still runs";
}
