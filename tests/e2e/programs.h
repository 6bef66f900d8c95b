#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace e2e {

// A private X server (Xvfb) for one test: it picks a free display number itself, so tests run side
// by side. Windows shown on it can be photographed and driven with xdotool.
class XServer final
{
    Q_DISABLE_COPY_MOVE(XServer)

public:
    XServer();
    ~XServer();

    bool started() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; } // ":12"

    // The first visible window whose title contains title, as xdotool names it; empty when none
    // shows up within timeout_ms.
    QString find_window(const QString& title, int timeout_ms = 10000) const;
    // Runs xdotool with args on this display; true on exit code 0. Its output goes to output.
    bool xdotool(const QStringList& args, QByteArray* output = nullptr) const;
    // What the window shows, taken from the X server (ImageMagick import).
    QImage screenshot(const QString& window_id) const;
    // The window manager's close request, as a title-bar close button sends it; true once the X
    // server has taken it in.
    bool request_close(const QString& window_id) const;

    QProcessEnvironment environment() const;

private:
    QProcess m_xvfb;
    QString m_display;
};

// A copy of a built program folder (build/<name>/) in a temporary folder, executable included, so
// that a run never touches the build tree and each test has its own files.
class ProgramCopy final
{
    Q_DISABLE_COPY_MOVE(ProgramCopy)

public:
    explicit ProgramCopy(const QString& built_folder_name);
    bool valid() const { return m_valid; }
    QString path() const { return m_dir.path(); }
    QString file_path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray read(const QString& name) const;
    bool write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

// A program of a ProgramCopy run as its own process.
class ProgramProcess final
{
    Q_DISABLE_COPY_MOVE(ProgramProcess)

public:
    ProgramProcess() = default;
    ~ProgramProcess();

    // Starts folder/executable from another working folder, so the program has to find its own; on
    // host, a network namespace of the test's LAN, when one is named.
    bool start(const ProgramCopy& folder, const QString& executable, const QProcessEnvironment& environment,
               const QString& host = {});
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    // Waits for the end; -1 when it did not end in time or crashed.
    int wait_exit_code(int timeout_ms);
    void stop();
    QByteArray output();
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

// Resident memory and CPU time of a process, read from /proc.
struct ProcessFigures
{
    qint64 rss_kb = -1;
    double cpu_seconds = -1; // user + system
};
ProcessFigures process_figures(qint64 pid);

// Writes image to ${ORUVAN_BUILD_DIR}/screenshots/<name>.png and gives the path (empty on failure).
QString save_screenshot(const QImage& image, const QString& name);

// Share of the pixels in rect whose colour lies near colour (0..1).
double share_near(const QImage& image, const QRect& rect, const QColor& colour, int tolerance = 60);
// Share of the pixels in rect that are clearly green (a tick) or clearly red (a cross).
double share_green(const QImage& image, const QRect& rect);
double share_red(const QImage& image, const QRect& rect);

} // namespace e2e
