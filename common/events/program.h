#pragma once

#include <functional>
#include <memory>

#include "common/text/gbktext.h"

#include <QObject>

// Start-up and end of a program. main() makes the QApplication and returns run_program(...):
//
//     QApplication app(argc, argv);
//     return common::run_program({.init_globals = init_globals, .free_globals = free_globals,
//                                 .create_window = [] { return std::make_unique<MyWindow>(); },
//                                 .on_created = [](QObject& w) { static_cast<MyWindow&>(w).on_created(); }});
namespace common {

struct ProgramStart
{
    // The program folder; empty means the folder of the executable.
    GbkText folder;
    std::function<void()> init_globals;
    // Registered as the first exit routine.
    std::function<void()> free_globals;
    // Makes the window with its controls (timers running, listening controls listening) and shows it.
    std::function<std::unique_ptr<QObject>()> create_window;
    // The created handler, run once the window exists, before the message loop.
    std::function<void(QObject& window)> on_created;
};

// Enters the program folder, sets up the globals and registers their release, creates the window
// (events falling due meanwhile are dropped), runs the created handler, then the message loop until
// exit_program or the last window closes. At the end the exit routines run (once) and open files
// close. Returns the exit code: 0 at a normal end.
int run_program(const ProgramStart& start);

// Makes dir the current directory and the program directory.
bool enter_program_folder(const GbkText& dir);

// Exit routines run in registration order, once, at exit_program or the end of run_program.
void register_exit_routine(std::function<void()> routine);

// Runs the exit routines, closes open files and ends the process with code through the process end.
void exit_program(int code);

// What ends the process once exit_program has released everything. The default flushes the standard
// streams and ends the process at once: a handler waiting in a nested loop (a delay, an HTTP
// request) never runs on. In-process tests install one that returns: the handler that called
// exit_program then returns normally, nested waits return at once, the message loop ends and
// run_program gives code.
void set_process_end(std::function<void(int code)> end);

} // namespace common
