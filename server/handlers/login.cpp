#include "common/events/listensocket.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "common/text/numbers.h"
#include "common/widgets/controls.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
#include "protocol/recognition.h"
#include "server/globals.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QLabel>
#include <QTreeWidget>

namespace server {

namespace {

// A machine's login ends with a short pause that keeps handling events.
constexpr int kAfterMachineLoginMs = 100;

} // namespace

void ServerWindow::send_to_row(int row, const GbkText& message)
{
    const GbkText address = common::list_view_get_item_text(超级列表框1, row, kAddressColumn);
    common::server_send(*服务器[0], address, common::to_byte_set(message));
}

void ServerWindow::on_login_data()
{
    const ByteData data = common::server_get_data(*服务器[0]);
    const GbkText client = common::server_get_client(*服务器[0]);
    const common::TextList fields = protocol::message_fields(data);
    if (!protocol::is_login_request(fields))
        return;

    auto take_row = [&](int row) {
        common::list_view_set_item_text(超级列表框1, row, kStatusColumn, "在线");
        common::list_view_set_item_text(超级列表框1, row, kAddressColumn, client);
    };
    auto answer = [&](const GbkText& reply) { common::server_send(*服务器[0], client, common::to_byte_set(reply)); };

    const GbkText& role = fields[protocol::kLoginRoleField];
    const int machine = common::to_integer(role);
    if (machine > 0 && machine <= protocol::kMachineCount) {
        take_row(machine - 1);
        answer(protocol::kLoginSucceeded);
        common::delay_ms(kAfterMachineLoginMs);
        return;
    }
    if (role == protocol::kDisplayRole) {
        take_row(kDisplayRow);
        answer(protocol::kLoginSucceeded);
    } else if (role == protocol::kExaminerRole) {
        take_row(kExaminerRow);
        answer(protocol::kLoginExaminerSucceeded);
    } else if (role == protocol::kJudgeRole) {
        take_row(kJudgeRow);
        answer(protocol::kLoginJudgeSucceeded);
    } else {
        answer(protocol::kLoginFailed);
    }
}

void ServerWindow::on_all_exit()
{
    for (int row = 0; row <= kJudgeRow; ++row) {
        send_to_row(row, protocol::exit_all(countdown));
        common::server_disconnect_client(*服务器[0], common::list_view_get_item_text(超级列表框1, row, kAddressColumn));
        common::list_view_set_item_text(超级列表框1, row, kStatusColumn, "离线");
        common::list_view_set_item_text(超级列表框1, row, kAddressColumn, "0.0.0.0");
    }
    时钟[1]->set_interval_ms(0);
    common::set_caption(标签[2], "00");
    broadcast_transfer();
}

} // namespace server
