#include "common/events/clientsocket.h"
#include "common/events/ftpclient.h"
#include "common/events/timer.h"
#include "common/text/files.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"
#include "protocol/filenames.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
#include "protocol/recognition.h"
#include "resources/builtin.h"

namespace display {

// Unlike the control link, an arrival here touches nothing before it is recognised.
void DisplayWindow::on_photo_message()
{
    const common::TextList fields = protocol::message_fields(common::client_get_data(*客户[1]));
    switch (protocol::classify_photo_message(fields)) {
    case protocol::PhotoMessage::ShowPictures:
        fetch_photos();
        break;
    case protocol::PhotoMessage::JudgeResult: {
        const auto right = protocol::judge_verdicts(fields);
        for (int k = 1; k <= protocol::kJudgedMachines; ++k) {
            正误[k]->setVisible(true);
            正误[k]->set_picture(right[k - 1] ? resources::tick_picture() : resources::cross_picture());
        }
        break;
    }
    case protocol::PhotoMessage::Other:
        // "传输" with another word is simply ignored; anything else is not from our server, so the
        // link is held instead of re-made until it closes.
        if (protocol::field_at(fields, protocol::kKindField) != protocol::kTransfer)
            时钟[1]->set_interval_ms(0);
        break;
    }
}

void DisplayWindow::fetch_photos()
{
    for (int n = 1; n <= kShownMachines; ++n)
        图片框[n]->setVisible(true);
    透明标签[1]->setVisible(false);
    透明标签[2]->setVisible(false);
    图片框[5]->setVisible(false);
    common::ftp_connect(server_address, protocol::kFtpUser, protocol::kFtpSecret, protocol::kFtpPort);
    // Every transfer ends before the first picture is set.
    for (int n = 1; n <= kShownMachines; ++n)
        common::ftp_get_file(protocol::hand_in_picture(n), protocol::fetched_picture(n));
    for (int n = 1; n <= kShownMachines; ++n)
        图片框[n]->set_picture(common::read_file(protocol::fetched_picture(n)));
}

} // namespace display
