#include "common/events/program.h"
#include "common/widgets/qtoperatordialogs.h"
#include "server/globals.h"
#include "server/window/serverwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    common::QtOperatorDialogs dialogs;
    // Closing the window only asks the quit question; the program ends through exit_program.
    app.setQuitOnLastWindowClosed(false);
    return common::run_program({.folder = {},
                                .init_globals = server::init_globals,
                                .free_globals = server::free_globals,
                                .create_window = [&dialogs] {
                                    auto window = std::make_unique<server::ServerWindow>(dialogs);
                                    window->show();
                                    return window;
                                },
                                .on_created = [](QObject& window) {
                                    static_cast<server::ServerWindow&>(window).on_server_window_created();
                                }});
}
