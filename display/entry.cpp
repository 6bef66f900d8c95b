#include "display/entry.h"

#include <memory>

#include "common/events/program.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"

namespace display {

int display_entry(common::OperatorDialogs& dialogs, common::SoundOutput& sound)
{
    return common::run_program(
        {.folder = {},
         .init_globals = init_server_address,
         .free_globals = free_server_address,
         .create_window = [&dialogs, &sound] { return std::make_unique<DisplayWindow>(dialogs, sound); },
         .on_created =
             [](QObject& window) {
                 auto& screen = static_cast<DisplayWindow&>(window);
                 screen.on_display_window_created();
                 // Showing the window raises its first resize: the layout at
                 // design size runs once, right after the created handler.
                 screen.show();
             }});
}

} // namespace display
