#include <algorithm>
#include <limits>

#include "common/events/listensocket.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "common/text/files.h"
#include "common/text/numbers.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "protocol/filenames.h"
#include "protocol/messages.h"
#include "protocol/recognition.h"
#include "server/globals.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace server {

namespace {

constexpr int kOneSecond = 1000;
// At time-up the machines get a moment to hand in before the display is told to fetch the pictures.
constexpr int kHandInTimeMs = 3000;
constexpr int kTabCode = 9; // with the half- and full-width blank, what a sent answer loses

// Sets a box only when its text differs, so an unchanged box raises no change event.
void copy_if_different(QWidget* target, const GbkText& text)
{
    if (common::content(target) != text)
        common::set_content(target, text);
}

} // namespace

void ServerWindow::on_send_question()
{
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        正误[n]->setVisible(false);
    copy_if_different(编辑框[1], common::content(编辑框[6]));
    copy_if_different(编辑框[5], common::content(编辑框[7]));
    copy_if_different(编辑框[12], common::to_text(common::current_selection(组合框[3]) + 1.0));
    时钟[1]->set_interval_ms(0);
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        common::remove_file(protocol::hand_in_picture(n));
    for (const GbkText& blank : {GbkText(" "), GbkText("　"), common::char_from_code(kTabCode)})
        common::set_content(编辑框[5], common::replace_text(common::content(编辑框[5]), blank));

    const GbkText question = 选择框[6]->isChecked() ? common::content(编辑框[1]) : GbkText{};
    const GbkText answer = 选择框[3]->isChecked() ? common::content(编辑框[5]) : GbkText{};
    const GbkText start = protocol::question_start(question_fields(question, answer));
    for (int row = 0; row <= kDisplayRow; ++row)
        send_to_row(row, start);
    const GbkText titled = protocol::question_start_titled(full_question_fields(), current_round_title());
    send_to_row(kExaminerRow, titled);
    send_to_row(kJudgeRow, titled);

    countdown = common::to_integer(common::content(编辑框[2]));
    common::set_caption(标签[2], common::content(编辑框[2]));
    if (选择框[1]->isChecked())
        时钟[1]->set_interval_ms(kOneSecond);
}

void ServerWindow::on_countdown_tick()
{
    const int n = countdown;
    const GbkText seconds = common::to_text(n);

    const GbkText question = 选择框[6]->isChecked() ? common::content(编辑框[1]) : protocol::kListenPrompt;
    const GbkText answer = 选择框[3]->isChecked() ? common::content(编辑框[5]) : GbkText{};
    const GbkText tick = protocol::tick(seconds, question_fields(question, answer));
    for (int row = 0; row <= kDisplayRow; ++row)
        send_to_row(row, tick);
    const GbkText titled = protocol::tick_titled(seconds, full_question_fields(), current_round_title());
    send_to_row(kExaminerRow, titled);
    send_to_row(kJudgeRow, titled);

    common::set_caption(标签[2], seconds);
    // Held at the lowest int instead of overflowing: any negative count means the time is up.
    countdown = std::max(n, std::numeric_limits<int>::min() + 1) - 1;
    if (countdown >= 0)
        return;

    // Time is up: every machine and the display get the answer in full, then the question ends.
    时钟[1]->set_interval_ms(0);
    for (int row = 0; row <= kDisplayRow; ++row)
        send_to_row(row, titled);
    on_all_done();
    common::delay_ms(kHandInTimeMs);
    if (选择框[7]->isChecked())
        sync_display();
}

void ServerWindow::on_start_timing()
{
    countdown = common::to_integer(common::content(编辑框[2]));
    时钟[1]->set_interval_ms(kOneSecond);
}

void ServerWindow::on_stop_timing()
{
    时钟[1]->set_interval_ms(0);
}

void ServerWindow::on_examiner_data()
{
    examiner_client = common::server_get_client(*服务器[kExaminerSlot]);
    if (!protocol::is_whole_message(common::server_get_data(*服务器[kExaminerSlot]), protocol::kExaminerStart))
        return;
    countdown = common::to_integer(common::content(编辑框[2]));
    common::server_send(*服务器[kExaminerSlot], examiner_client, common::to_byte_set(protocol::kExaminerStarted));
    时钟[1]->set_interval_ms(kOneSecond);
    broadcast_transfer();
}

} // namespace server
