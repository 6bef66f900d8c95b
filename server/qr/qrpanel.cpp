#include "server/qr/qrpanel.h"

#include "server/qr/qrpicture.h"

namespace server {

QrPanelContent qr_panel_content(const common::TextList& local_addresses)
{
    QrPanelContent content;
    content.caption = "请在客户端内输入服务器IP：";
    // A host without an IPv4 address has nothing to show: no code, a prompt without an address.
    if (local_addresses.empty())
        return content;
    common::GbkText address = local_addresses.back();
    content.picture = make_qr_picture(address, 0, 0, 1.0);
    content.caption += address;
    return content;
}

} // namespace server
