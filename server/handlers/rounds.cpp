#include "common/events/timer.h"
#include "common/events/wait.h"
#include "common/text/files.h"
#include "common/text/numbers.h"
#include "common/widgets/controls.h"
#include "common/widgets/operatordialogs.h"
#include "protocol/filenames.h"
#include "protocol/messages.h"
#include "server/globals.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QCheckBox>

namespace server {

namespace {

const GbkText kTitleFile = "config.txt";
// The machines are asked to hand in a moment after the question ends or is put on hold.
constexpr int kTransferAfterEndMs = 1000;

// A counter box moved on by one: its leading integer plus one, written as a whole number.
void step_counter(QWidget* box)
{
    common::set_content(box, common::to_text(common::to_integer(common::content(box)) + 1.0));
}

// The display title: the whole file up to its first 0 or Ctrl-Z byte; empty when it cannot be read.
// Reading never creates the file.
GbkText read_display_title()
{
    return common::read_whole_text(kTitleFile);
}

} // namespace

void ServerWindow::on_all_done()
{
    时钟[1]->set_interval_ms(0);
    countdown = 0;
    // The title is taken before the counter moves: it names the question that has just ended.
    const GbkText answer = 选择框[3]->isChecked() ? common::content(编辑框[5]) : GbkText{};
    const GbkText done = protocol::tick_titled(
        common::to_text(countdown), question_fields(common::content(编辑框[1]), answer), current_round_title());
    for (int row = 0; row <= kDisplayRow; ++row)
        send_to_row(row, done);
    const GbkText end = protocol::question_end(countdown);
    for (int row = 0; row <= kJudgeRow; ++row)
        send_to_row(row, end);
    step_counter(选择框[8]->isChecked() ? 编辑框[11] : 编辑框[9]);
    common::delay_ms(kTransferAfterEndMs);
    broadcast_transfer();
}

void ServerWindow::on_all_wait()
{
    时钟[1]->set_interval_ms(0);
    countdown = 0;
    const GbkText wait = protocol::wait_all(countdown);
    for (int row = 0; row < kDisplayRow; ++row)
        send_to_row(row, wait);
    common::delay_ms(kTransferAfterEndMs);
    broadcast_transfer();
}

void ServerWindow::on_next_round()
{
    step_counter(编辑框[8]);
    common::set_content(编辑框[9], "1");
    common::set_content(编辑框[10], "0");
    common::set_content(编辑框[11], "1");
    选择框[8]->setChecked(false);
}

void ServerWindow::send_display_wait()
{
    时钟[1]->set_interval_ms(0);
    send_to_row(kDisplayRow, protocol::display_wait(read_display_title(), common::content(编辑框[3])));
}

void ServerWindow::on_set_display_background()
{
    common::FileDialogRequest request;
    request.dialog_type = common::FileDialogType::Open;
    request.file_must_exist = true;
    request.filter = "请选择图片*.jpg;*.png;*.gif;*.bmp|*.jpg;*.png;*.gif;*.bmp";
    if (!m_dialogs.common_dialog_show(request))
        return;
    common::copy_file(request.file_name, common::program_directory() + "\\" + protocol::kServerLogo);
    send_display_wait();
}

void ServerWindow::on_set_display_title()
{
    GbkText title = read_display_title();
    m_dialogs.input_box({}, "请输入显示端需要显示的内容", title, title);
    // Rewritten after Cancel too, with the text that was read.
    common::write_whole_text(kTitleFile, title);
    send_display_wait();
}

void ServerWindow::on_client_sync_timer()
{
    if (选择框[2]->isChecked())
        broadcast_transfer();
}

void ServerWindow::on_display_sync_timer()
{
    if (选择框[5]->isChecked())
        sync_display();
}

} // namespace server
