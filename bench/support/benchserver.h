#pragma once

#include <memory>

#include "server/window/serverwindow.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/tempprogramfolder.h"

// The real server window, offscreen, in a fresh program folder whose FTP launcher starts nothing
// (the server benchmarks fetch no picture), created as the program creates it.
class BenchServer final
{
public:
    BenchServer();
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // The window stands and listens on the login port (in a private network namespace).
    bool listening() const;
    server::ServerWindow& window() { return *m_window; }

private:
    TempProgramFolder m_folder;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<server::ServerWindow> m_window;
};
