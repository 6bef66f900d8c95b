#include "server/qr/qrpanel.h"

#include "common/events/addresses.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "server/globals.h"
#include "server/window/serverwindow.h"

#include <QGroupBox>
#include <QLabel>

namespace server {

void ServerWindow::on_show_ip_qr_code()
{
    分组框[4]->setVisible(true);
    local_addresses = common::local_ip_addresses();
    const QrPanelContent panel = qr_panel_content(local_addresses);
    图片框[9]->set_picture(panel.picture);
    common::set_caption(标签[3], panel.caption);
}

void ServerWindow::on_qr_double_click()
{
    分组框[4]->setVisible(false);
}

} // namespace server
