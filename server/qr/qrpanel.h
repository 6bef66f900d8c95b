#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

// What the server-address panel shows after a click on its button: the code of the machine's address
// and the label text. The window sets them on its picture box and label and shows the panel.
namespace server {

struct QrPanelContent
{
    common::ByteData picture;
    common::GbkText caption;
};

// The last of the local addresses (the resolver's order) that is not loopback, as code and label;
// loopback only when the host has no other. With no address the picture is empty and the label
// carries its prompt only.
QrPanelContent qr_panel_content(const common::TextList& local_addresses);

} // namespace server
