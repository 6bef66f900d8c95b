#include "server/entry.h"

#include <memory>

#include "common/events/filelimit.h"
#include "common/events/program.h"
#include "server/globals.h"
#include "server/window/serverwindow.h"

#include <QApplication>

namespace server {

int server_entry(common::OperatorDialogs& dialogs)
{
    // Closing the window only asks the quit question; the program ends through exit_program.
    QApplication::setQuitOnLastWindowClosed(false);
    common::raise_open_file_limit();
    return common::run_program(
        {.folder = {},
         .init_globals = init_globals,
         .free_globals = free_globals,
         .create_window =
             [&dialogs] {
                 auto window = std::make_unique<ServerWindow>(dialogs);
                 window->show();
                 return window;
             },
         .on_created = [](QObject& window) { static_cast<ServerWindow&>(window).on_server_window_created(); }});
}

} // namespace server
