#include "server/window/serverwindow.h"

namespace server {

void ServerWindow::on_show_ip_qr_code() {}

void ServerWindow::on_qr_double_click() {}

} // namespace server
