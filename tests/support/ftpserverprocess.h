#pragma once

#include "protocol/ports.h"

#include <QProcess>
#include <QString>

// The real outside FTP server (tools/ftpserver.py) serving a test's folder: copied there as
// ftpserver.exe and started; the constructor returns once the FTP port accepts. Needs a private network
// namespace (NETNS tests) and root for the low port.
class FtpServerProcess final
{
    Q_DISABLE_COPY_MOVE(FtpServerProcess)

public:
    static constexpr quint16 kPort = protocol::kFtpPort;

    explicit FtpServerProcess(const QString& folder, int timeout_ms = 10000);
    ~FtpServerProcess();

    bool started() const { return m_started; }
    // SIGTERM; true when it ended by itself with exit code 0 within timeout_ms.
    bool stop(int timeout_ms = 5000);
    // What the server printed (its log), for failure messages.
    QByteArray output();

private:
    QProcess m_process;
    bool m_started = false;
};
