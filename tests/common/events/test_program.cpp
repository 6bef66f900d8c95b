#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "common/events/listensocket.h"
#include "common/events/program.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "common/text/files.h"
#include "protocol/ports.h"
#include "tests/support/fakeclient.h"
#include "tests/support/kernelqueues.h"
#include "tests/support/tempprogramfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

using namespace common;

namespace {

constexpr int kPort = protocol::hand_in_port(4);

// A window stand-in with one timer and one listening control, as a program's window has them.
struct Window : QObject
{
    Timer timer{30};
    ListenSocket server{kPort};
    int ticks = 0;
    int connects = 0;
    Window()
    {
        connect(&timer, &Timer::timeout, this, [this] { ++ticks; });
        connect(&server, &ListenSocket::clientConnected, this, [this] { ++connects; });
    }
};

} // namespace

TEST(Program, StartsInItsFolderDropsEventsOfTheCreationAndEndsWithTheExitCode)
{
    TempProgramFolder previous;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    std::vector<std::string> steps;
    FakeClient early;
    int ticks_at_created = -1;
    int connects_at_created = -1;
    int open_file_number = 0;
    bool dropped_while_running = false;
    int connects_while_running = -1;

    const int code = run_program({
        .folder = folder.path().toStdString(),
        .init_globals = [&] { steps.push_back("init " + QDir::currentPath().toStdString()); },
        .free_globals = [&] { steps.push_back("free"); },
        .create_window =
            [&] {
                auto window = std::make_unique<Window>();
                // Creation takes a while and a client connects meanwhile: both fall due now.
                early.socket().connectToHost(QStringLiteral("127.0.0.1"), kPort);
                early.socket().waitForConnected(2000);
                // The client stands before the server's kernel has queued the connection.
                EXPECT_TRUE(wait_accept_queued(listener_on(kPort)));
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                steps.push_back("window");
                return window;
            },
        .on_created =
            [&](QObject& object) {
                auto& window = static_cast<Window&>(object);
                ticks_at_created = window.ticks;
                connects_at_created = window.connects;
                steps.push_back("created");
                register_exit_routine([&] { steps.push_back("second"); });
                open_file_number = open_file("kept.txt", 4);
                QTimer::singleShot(200, [&] {
                    steps.push_back(window.ticks > 0 ? "ticking" : "silent");
                    // Asked while the window still stands: its end closes every connection anyway.
                    dropped_while_running = early.wait_closed(1000);
                    connects_while_running = window.connects;
                    exit_program(7);
                    steps.push_back("returned");
                    delay_ms(5000); // the program is ending: returns at once
                });
            },
    });

    EXPECT_EQ(code, 7);
    EXPECT_EQ(ticks_at_created, 0);
    EXPECT_EQ(connects_at_created, 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"init " + folder.path().toStdString(), "window", "created", "ticking",
                                               "free", "second", "returned"}));
    EXPECT_EQ(program_directory(), folder.path().toStdString());
    EXPECT_TRUE(dropped_while_running) << "the connection made during creation was dropped";
    EXPECT_EQ(connects_while_running, 0);
    ASSERT_NE(open_file_number, 0);
    EXPECT_FALSE(write_bytes(open_file_number, "late")) << "open files were closed at exit";
}

TEST(Program, ExitInTheCreatedHandlerEndsBeforeTheLoop)
{
    TempProgramFolder previous;
    int frees = 0;
    const int code = run_program({
        .folder = previous.path().toStdString(),
        .init_globals = {},
        .free_globals = [&] { ++frees; },
        .create_window = [] { return std::make_unique<QObject>(); },
        .on_created = [](QObject&) { exit_program(3); },
    });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(frees, 1);
}

TEST(Program, ANormalEndGivesZeroAndStillRunsTheExitRoutines)
{
    TempProgramFolder previous;
    int frees = 0;
    const int code = run_program({
        .folder = previous.path().toStdString(),
        .init_globals = {},
        .free_globals = [&] { ++frees; },
        .create_window = [] { return std::make_unique<QObject>(); },
        .on_created = [](QObject&) { QTimer::singleShot(10, [] { QCoreApplication::quit(); }); },
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(frees, 1);
}
