#include "common/events/processes.h"
#include "common/text/numbers.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/trayicon.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "server/builder/wordbanks.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QComboBox>
#include <QTreeWidget>

namespace server {

namespace {

void append_user_row(QTreeWidget* list, const GbkText& name)
{
    const int row = common::list_view_insert_item(list);
    common::list_view_set_item_text(list, row, kNameColumn, name);
    common::list_view_set_item_text(list, row, kStatusColumn, "离线");
    common::list_view_set_item_text(list, row, kAddressColumn, "0.0.0.0");
}

} // namespace

void ServerWindow::on_server_window_created()
{
    common::set_tray_icon(this, resources::program_icon(), "汉字听写大赛服务端");
    // The 1 x 1 browser box loads nothing: no part of the system reads it.
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        正误[n]->setVisible(false);
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        append_user_row(超级列表框1, common::to_text(n) + "号机");
    append_user_row(超级列表框1, "显示屏");
    append_user_row(超级列表框1, protocol::kExaminerRole);
    append_user_row(超级列表框1, protocol::kJudgeRole);
    for (const WordBankCategory category : kWordBankCategories)
        common::combo_box_add_item(组合框[1], word_bank_item(category));
    for (const char* term : {"一年级上册", "一年级下册", "二年级上册", "二年级下册", "三年级上册", "三年级下册",
                             "四年级上册", "四年级下册", "五年级上册", "五年级下册", "六年级上册", "六年级下册"})
        common::combo_box_add_item(组合框[2], term);
    组合框[1]->setCurrentIndex(-1);
    组合框[2]->setCurrentIndex(-1);
    common::shell_execute("open", kFtpServerProgram);
}

void ServerWindow::on_notify_icon_event(int action)
{
    if (action == common::TrayIcon::kDoubleClick)
        setVisible(true);
}

} // namespace server
