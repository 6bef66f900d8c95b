#include "common/events/listensocket.h"
#include "common/widgets/picturebox.h"
#include "protocol/messages.h"
#include "protocol/recognition.h"
#include "resources/builtin.h"
#include "server/globals.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

// The judge's result channel (19741) and the display's picture channel (19739).
namespace server {

void ServerWindow::on_judge_data()
{
    const ByteData data = common::server_get_data(*服务器[kJudgeSlot]);
    const GbkText client = common::server_get_client(*服务器[kJudgeSlot]);
    const common::TextList fields = protocol::message_fields(data);
    if (!protocol::is_judge_result(fields))
        return;
    // The display reads the judge's own bytes, so they go on exactly as they came.
    common::server_send(*服务器[kScreenSlot], screen_client, data);
    const auto right = protocol::judge_verdicts(fields);
    for (int k = 1; k <= protocol::kJudgedMachines; ++k) {
        正误[k]->setVisible(true);
        正误[k]->set_picture(right[k - 1] ? resources::tick_picture() : resources::cross_picture());
    }
    common::server_send(*服务器[kJudgeSlot], client, common::to_byte_set(protocol::kJudgeResultAck));
}

void ServerWindow::on_screen_connect()
{
    screen_client = common::server_get_client(*服务器[kScreenSlot]);
}

void ServerWindow::on_screen_data()
{
    screen_client = common::server_get_client(*服务器[kScreenSlot]);
    if (protocol::is_whole_message(common::server_get_data(*服务器[kScreenSlot]), protocol::kSubmit))
        broadcast_transfer();
}

void ServerWindow::sync_display()
{
    common::server_send(*服务器[kScreenSlot], screen_client, common::to_byte_set(protocol::kShowPictures));
    send_to_row(kJudgeRow, protocol::question_end(countdown));
}

} // namespace server
