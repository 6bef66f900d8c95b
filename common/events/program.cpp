#include "common/events/program.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "common/events/eventgate.h"
#include "common/events/gracefulclose.h"
#include "common/text/files.h"
#include "common/text/gbkcodec.h"

#include <QCoreApplication>
#include <QDir>

namespace common {

namespace {

// Long enough for a LAN peer to take the last message, short enough for a quit to feel immediate.
constexpr int kCloseGraceMs = 500;

std::vector<std::function<void()>> g_exit_routines;
bool g_exit_routines_ran = false;
std::optional<int> g_exit_code; // set when exit_program ran before the message loop

void end_process_now(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

std::function<void(int)> g_process_end = end_process_now;

void run_exit_routines()
{
    if (g_exit_routines_ran)
        return;
    g_exit_routines_ran = true;
    // A routine may register another: index, not iterators.
    for (size_t i = 0; i < g_exit_routines.size(); ++i)
        g_exit_routines[i]();
    close_all_files();
    // Connections being closed get their last bytes and FIN out before the process ends.
    finish_graceful_closes(kCloseGraceMs);
}

} // namespace

bool enter_program_folder(const GbkText& dir)
{
    const QString path = QDir(to_qstring(dir)).absolutePath();
    if (!QDir::setCurrent(path))
        return false;
    set_program_directory(from_qstring(path));
    return true;
}

void register_exit_routine(std::function<void()> routine)
{
    if (routine)
        g_exit_routines.push_back(std::move(routine));
}

void set_process_end(std::function<void(int code)> end)
{
    g_process_end = end ? std::move(end) : end_process_now;
}

void exit_program(int code)
{
    run_exit_routines();
    // The other sockets close with the process; nothing is answered after this point.
    g_exit_code = code;
    QCoreApplication::exit(code);
    g_process_end(code);
}

int run_program(const ProgramStart& start)
{
    g_exit_routines.clear();
    g_exit_routines_ran = false;
    g_exit_code.reset();

    enter_program_folder(start.folder.empty() ? from_qstring(QCoreApplication::applicationDirPath()) : start.folder);
    if (start.init_globals)
        start.init_globals();
    register_exit_routine(start.free_globals);

    suspend_events();
    std::unique_ptr<QObject> window = start.create_window ? start.create_window() : nullptr;
    release_events();

    if (window && start.on_created)
        start.on_created(*window);
    // exit_program in the created handler ends the program before the loop starts.
    const int code = g_exit_code ? *g_exit_code : QCoreApplication::exec();
    run_exit_routines();
    window.reset();
    return code;
}

} // namespace common
