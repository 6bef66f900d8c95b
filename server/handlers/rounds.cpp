#include "server/window/serverwindow.h"

namespace server {

void ServerWindow::on_all_done() {}

void ServerWindow::on_all_wait() {}

void ServerWindow::on_next_round() {}

void ServerWindow::send_display_wait() {}

void ServerWindow::on_set_display_background() {}

void ServerWindow::on_set_display_title() {}

void ServerWindow::on_client_sync_timer() {}

void ServerWindow::on_display_sync_timer() {}

} // namespace server
