#include "server/window/serverwindow.h"

namespace server {

void ServerWindow::on_judge_data() {}

void ServerWindow::on_screen_connect() {}

void ServerWindow::on_screen_data() {}

void ServerWindow::sync_display() {}

} // namespace server
