#include <cstdio>

#include <unistd.h>

#include "common/widgets/operatordialogs.h"
#include "server/builder/onlinedictionary.h"
#include "server/entry.h"
#include "server/window/serverwindow.h"

#include <QApplication>
#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>

// The server program as main.cpp makes it, with the operator played through standard input, for
// tests of the whole process in a program folder of its own:
//   "quit"          closes the window;
//   "lookup <site>" a handler looks a word up on <site>, and the window closes while it waits.
// The quit question prints "asked" on standard output and is answered Yes; other dialogs are
// cancelled.
namespace {

class YesDialogs final : public common::OperatorDialogs
{
public:
    int message_box(const common::GbkText&, int, const common::GbkText&) override
    {
        std::fputs("asked\n", stdout);
        std::fflush(stdout);
        return common::ResultYes;
    }
    bool input_box(const common::GbkText&, const common::GbkText&, const common::GbkText&, common::GbkText&) override
    {
        return false;
    }
    bool common_dialog_show(common::FileDialogRequest&) override { return false; }
};

server::ServerWindow* running_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<server::ServerWindow*>(widget))
            return window;
    return nullptr;
}

void run_command(const QByteArray& line)
{
    server::ServerWindow* window = running_window();
    if (!window)
        return;
    if (line == "quit") {
        window->close();
    } else if (line.startsWith("lookup ")) {
        const common::GbkText site = line.mid(7).toStdString();
        QTimer::singleShot(300, window, [window] { window->close(); });
        server::lookup_online_dictionary("长城", site, site);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    YesDialogs dialogs;
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            // Each command runs as a handler of its own, so its waits nest as the window's do.
            QTimer::singleShot(0, [line] { run_command(line); });
        }
    });
    return server::server_entry(dialogs);
}
