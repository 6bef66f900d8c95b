#include "tests/e2e/programs.h"

#include <unistd.h>

#include "tests/support/waits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace e2e {

namespace {

// The round trip (sync) before the hang-up is what delivers the request: Debian 12's Xvfb, finding a
// request and the client's hang-up together, drops the connection without reading the request.
const char* const kCloseScript = R"(
import sys
from Xlib import X, display, protocol
d = display.Display()
w = d.create_resource_object('window', int(sys.argv[1], 0))
protocols = d.intern_atom('WM_PROTOCOLS')
delete = d.intern_atom('WM_DELETE_WINDOW')
event = protocol.event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
w.send_event(event, event_mask=X.NoEventMask)
d.sync()
d.close()
)";

// Waits for an X tool while dispatching events: a blocking wait would hold every window and socket of
// this thread still, among them the server window that the contest tests run here, and its countdown.
bool ended_well(QProcess& process, int timeout_ms)
{
    return wait_until([&] { return process.state() == QProcess::NotRunning; }, timeout_ms) &&
           process.error() == QProcess::UnknownError && process.exitCode() == 0;
}

} // namespace

XServer::XServer()
{
    m_xvfb.setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: Xvfb takes the first free display number and tells it on standard output.
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("2200x1000x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_xvfb.waitForStarted(5000))
        return;
    QByteArray said;
    wait_until(
        [&] {
            said += m_xvfb.readAllStandardOutput();
            return said.contains('\n') || m_xvfb.state() != QProcess::Running;
        },
        15000);
    bool ok = false;
    const int number = said.trimmed().toInt(&ok);
    if (ok && m_xvfb.state() == QProcess::Running)
        m_display = QStringLiteral(":%1").arg(number);
}

XServer::~XServer()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished(2000);
        }
    }
}

QProcessEnvironment XServer::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    return environment;
}

bool XServer::xdotool(const QStringList& args, QByteArray* output) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), args);
    if (!ended_well(process, 10000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

QString XServer::find_window(const QString& title, int timeout_ms) const
{
    QString found;
    wait_until(
        [&] {
            QByteArray ids;
            if (xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title},
                        &ids))
                found = QString::fromLatin1(ids.split('\n').value(0)).trimmed();
            return !found.isEmpty();
        },
        timeout_ms);
    return found;
}

QImage XServer::screenshot(const QString& window_id) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("import"), {QStringLiteral("-window"), window_id, QStringLiteral("png:-")});
    if (!ended_well(process, 20000))
        return {};
    return QImage::fromData(process.readAllStandardOutput(), "PNG");
}

bool XServer::request_close(const QString& window_id) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral("-c"), QString::fromLatin1(kCloseScript), window_id});
    return ended_well(process, 10000);
}

ProgramCopy::ProgramCopy(const QString& built_folder_name)
{
    const QDir built(qEnvironmentVariable("ORUVAN_BUILD_DIR") + QLatin1Char('/') + built_folder_name);
    if (!m_dir.isValid() || !built.exists())
        return;
    m_valid = true;
    for (const QFileInfo& file : built.entryInfoList(QDir::Files))
        m_valid = QFile::copy(file.absoluteFilePath(), m_dir.filePath(file.fileName())) && m_valid;
}

QByteArray ProgramCopy::read(const QString& name) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ProgramCopy::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ProgramProcess::~ProgramProcess()
{
    stop();
}

bool ProgramProcess::start(const ProgramCopy& folder, const QString& executable, const QProcessEnvironment& environment,
                           const QString& host)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setWorkingDirectory(QDir::tempPath());
    // ip netns exec becomes the program, so the process id stays the program's.
    if (host.isEmpty())
        m_process.start(folder.file_path(executable), {});
    else
        m_process.start(QStringLiteral("ip"),
                        {QStringLiteral("netns"), QStringLiteral("exec"), host, folder.file_path(executable)});
    return m_process.waitForStarted(5000);
}

int ProgramProcess::wait_exit_code(int timeout_ms)
{
    if (!wait_until([this] { return m_process.state() == QProcess::NotRunning; }, timeout_ms))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void ProgramProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QByteArray ProgramProcess::output()
{
    return m_process.readAll();
}

ProcessFigures process_figures(qint64 pid)
{
    ProcessFigures figures;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                figures.rss_kb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // The name in parentheses may hold blanks: count fields after its closing parenthesis.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            figures.cpu_seconds =
                static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) / sysconf(_SC_CLK_TCK);
    }
    return figures;
}

QString save_screenshot(const QImage& image, const QString& name)
{
    const QDir folder(qEnvironmentVariable("ORUVAN_BUILD_DIR") + QStringLiteral("/screenshots"));
    if (image.isNull() || !folder.mkpath(QStringLiteral(".")))
        return {};
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    return image.save(path, "PNG") ? path : QString();
}

namespace {

template <typename Test> double share_where(const QImage& image, const QRect& rect, Test test)
{
    const QRect inside = rect.intersected(image.rect());
    if (inside.isEmpty())
        return 0;
    qint64 hits = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            hits += test(QColor(image.pixel(x, y))) ? 1 : 0;
    return static_cast<double>(hits) / (static_cast<double>(inside.width()) * inside.height());
}

} // namespace

double share_near(const QImage& image, const QRect& rect, const QColor& colour, int tolerance)
{
    return share_where(image, rect, [&](const QColor& c) {
        return std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
               std::abs(c.blue() - colour.blue()) <= tolerance;
    });
}

double share_green(const QImage& image, const QRect& rect)
{
    return share_where(image, rect,
                       [](const QColor& c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 40; });
}

double share_red(const QImage& image, const QRect& rect)
{
    return share_where(image, rect,
                       [](const QColor& c) { return c.red() > c.green() + 80 && c.red() > c.blue() + 60; });
}

} // namespace e2e
