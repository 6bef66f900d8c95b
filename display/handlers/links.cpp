#include "common/events/clientsocket.h"
#include "common/events/timer.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"
#include "protocol/messages.h"
#include "protocol/ports.h"

namespace display {

// Both links read the stored address at every connect, so a new address is used from the next try.

void DisplayWindow::on_login_timer()
{
    common::client_connect(*客户[2], server_address, protocol::kLoginPort);
    common::client_send(*客户[2], protocol::login_request(protocol::kDisplayRole));
}

void DisplayWindow::on_control_link_closed()
{
    时钟[2]->set_interval_ms(kRelinkMs);
}

// The picture link only listens: the server takes its newest connection on this port as ours.
void DisplayWindow::on_photo_timer()
{
    common::client_connect(*客户[1], server_address, protocol::kScreenPort);
}

void DisplayWindow::on_photo_link_closed()
{
    时钟[1]->set_interval_ms(kRelinkMs);
}

} // namespace display
