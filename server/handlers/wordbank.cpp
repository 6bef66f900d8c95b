#include "server/window/serverwindow.h"

namespace server {

void ServerWindow::on_category_picked() {}

void ServerWindow::on_grade_picked() {}

void ServerWindow::on_word_picked() {}

void ServerWindow::on_adopt_word() {}

} // namespace server
