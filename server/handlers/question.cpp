#include "server/window/serverwindow.h"

namespace server {

void ServerWindow::on_send_question() {}

void ServerWindow::on_countdown_tick() {}

void ServerWindow::on_start_timing() {}

void ServerWindow::on_stop_timing() {}

void ServerWindow::on_examiner_data() {}

} // namespace server
