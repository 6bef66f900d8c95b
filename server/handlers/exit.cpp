#include "server/window/serverwindow.h"

#include "common/events/processes.h"
#include "common/events/program.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/trayicon.h"

namespace server {

namespace {

constexpr int kYesNoInformation = common::MessageBoxFlags::YesNo | common::MessageBoxFlags::IconInformation;

} // namespace

bool ServerWindow::on_query_close()
{
    if (m_dialogs.message_box("是否退出【Oruvan】服务器？", kYesNoInformation) != common::ResultYes)
        return false;
    on_all_exit();
    common::set_tray_icon(this, {}, {});
    common::terminate_process("ftpserver.exe");
    common::exit_program(0);
    return true;
}

} // namespace server
