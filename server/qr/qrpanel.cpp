#include "server/qr/qrpanel.h"

#include "server/qr/qrpicture.h"

namespace server {

namespace {

// The address list puts loopback addresses behind the others, but clients in the hall cannot reach
// the server there: take the last address that is not loopback, and loopback only when it is all.
common::GbkText address_for_clients(const common::TextList& local_addresses)
{
    for (auto it = local_addresses.rbegin(); it != local_addresses.rend(); ++it) {
        if (it->rfind("127.", 0) != 0)
            return *it;
    }
    return local_addresses.back();
}

} // namespace

QrPanelContent qr_panel_content(const common::TextList& local_addresses)
{
    QrPanelContent content;
    content.caption = "请在客户端内输入服务器IP：";
    // A host without an IPv4 address has nothing to show: no code, a prompt without an address.
    if (local_addresses.empty())
        return content;
    common::GbkText address = address_for_clients(local_addresses);
    content.picture = make_qr_picture(address, 0, 0, 1.0);
    content.caption += address;
    return content;
}

} // namespace server
