#include "common/events/listensocket.h"
#include "common/events/wait.h"
#include "common/text/files.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "protocol/filenames.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
#include "protocol/recognition.h"
#include "resources/builtin.h"
#include "server/globals.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QTreeWidget>

// The hand-in channel of machine n on port 19730 + n. The port alone names the machine: any peer
// there is machine n.
namespace server {

namespace {

// A machine's picture is whole in the folder at most this long after its "over".
constexpr int kPictureSettleMs = 1000;

} // namespace

void ServerWindow::on_machine_data(int n)
{
    machine_client[n] = common::server_get_client(*服务器[n]);
    const ByteData data = common::server_get_data(*服务器[n]);
    if (protocol::is_whole_message(data, protocol::kSubmit)) {
        common::server_send(*服务器[n], machine_client[n], common::to_byte_set(protocol::kTransfer));
    } else if (protocol::is_whole_message(data, protocol::kHandedIn)) {
        common::delay_ms(kPictureSettleMs);
        图片框[n]->set_picture(common::read_file(protocol::hand_in_picture(n)));
    }
}

void ServerWindow::on_machine_connect(int n)
{
    machine_client[n] = common::server_get_client(*服务器[n]);
    broadcast_transfer();
}

void ServerWindow::on_machine_disconnect(int n)
{
    图片框[n]->set_picture(resources::tile_waiting_picture());
    common::list_view_set_item_text(超级列表框1, n - 1, kStatusColumn, "离线");
}

void ServerWindow::broadcast_transfer()
{
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        common::server_send(*服务器[n], machine_client[n], common::to_byte_set(protocol::kTransfer));
}

} // namespace server
