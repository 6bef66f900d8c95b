#include "common/events/listensocket.h"
#include "common/events/processes.h"
#include "common/events/program.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/trayicon.h"
#include "server/window/serverwindow.h"

namespace server {

namespace {

constexpr int kYesNoInformation = common::MessageBoxFlags::YesNo | common::MessageBoxFlags::IconInformation;

} // namespace

bool ServerWindow::on_query_close()
{
    if (m_dialogs.message_box("是否退出【Oruvan】服务器？", kYesNoInformation) != common::ResultYes)
        return false;
    // From Yes on, nobody is answered: no new connection is taken while the exit steps run.
    for (common::ListenSocket* server : 服务器)
        server->stop_listening();
    on_all_exit();
    common::set_tray_icon(this, {}, {});
    common::terminate_process(kFtpServerProgram);
    common::exit_program(0);
    return true;
}

} // namespace server
