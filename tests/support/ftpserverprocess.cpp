#include "tests/support/ftpserverprocess.h"

#include "tests/support/waits.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>

namespace {

bool port_accepts(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    return probe.waitForConnected(500);
}

} // namespace

FtpServerProcess::FtpServerProcess(const QString& folder, int timeout_ms)
{
    const QString source = qEnvironmentVariable("ORUVAN_SOURCE_DIR") + QStringLiteral("/tools/ftpserver.py");
    const QString launcher = QDir(folder).filePath(QStringLiteral("ftpserver.exe"));
    QFile::remove(launcher);
    if (!QFile::copy(source, launcher))
        return;
    QFile::setPermissions(launcher, QFile::permissions(launcher) | QFileDevice::ExeOwner);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setWorkingDirectory(folder);
    m_process.start(launcher, {});
    if (!m_process.waitForStarted(timeout_ms))
        return;
    m_started =
        wait_until([this] { return m_process.state() != QProcess::Running || port_accepts(kPort); }, timeout_ms);
    m_started = m_started && m_process.state() == QProcess::Running;
}

FtpServerProcess::~FtpServerProcess()
{
    if (m_process.state() != QProcess::NotRunning && !stop()) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool FtpServerProcess::stop(int timeout_ms)
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    m_process.terminate();
    return m_process.waitForFinished(timeout_ms) && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

QByteArray FtpServerProcess::output()
{
    return m_process.readAll();
}
