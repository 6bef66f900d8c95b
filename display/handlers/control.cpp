#include "common/events/clientsocket.h"
#include "common/events/ftpclient.h"
#include "common/events/timer.h"
#include "common/events/wait.h"
#include "common/text/files.h"
#include "common/text/numbers.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/soundoutput.h"
#include "common/widgets/translabel.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"
#include "protocol/fields.h"
#include "protocol/filenames.h"
#include "protocol/ports.h"
#include "protocol/recognition.h"
#include "resources/builtin.h"

namespace display {

namespace {

using protocol::field_at;

// "请听题……" and the answer are longer than a count of seconds, so they are drawn smaller than
// the countdown font the server sends.
constexpr double kListenPromptFontDivisor = 2.0;
constexpr double kAnswerFontDivisor = 2.5;
// The second sound marks the final seconds.
constexpr int kFinalSecondsLeft = 6;
// "时间到" stays this long before the answer replaces it.
constexpr int kTimeUpShownMs = 1000;

// A size in points from the countdown font field, truncated as every size is.
int scaled_countdown_font(const common::TextList& fields, double divisor)
{
    return static_cast<int>(common::to_integer(field_at(fields, protocol::kCountdownFontField)) / divisor);
}

// Writes only what differs, so a tick once a second repaints no more than it must.
void set_font_size_if_changed(common::TransLabel* label, int size)
{
    if (label->font_size() != size)
        label->set_font_size(size);
}

void set_caption_if_changed(common::TransLabel* label, const GbkText& caption)
{
    if (label->caption() != caption)
        label->set_caption(caption);
}

} // namespace

// Fields a message does not carry read as empty texts (and so as 0), so a short or cut-off message
// is shown as far as it goes and never ends the program.
void DisplayWindow::on_control_message()
{
    for (int n = 1; n <= kShownMachines; ++n)
        图片框[n]->setVisible(false);
    透明标签[1]->setVisible(true);
    透明标签[2]->setVisible(true);
    const common::TextList fields = protocol::message_fields(common::client_get_data(*客户[2]));
    时钟[2]->set_interval_ms(0);

    switch (protocol::classify_control_message(fields)) {
    case protocol::ControlMessage::QuestionStart:
        show_question_start(fields);
        break;
    case protocol::ControlMessage::Tick:
        show_tick(fields);
        break;
    case protocol::ControlMessage::DisplayWait:
        show_display_wait(fields);
        break;
    case protocol::ControlMessage::Other:
        break;
    }
}

void DisplayWindow::show_question_start(const common::TextList& fields)
{
    for (int n = 1; n <= kShownMachines; ++n)
        common::remove_file(protocol::fetched_picture(n));
    图片框[5]->setVisible(false);
    for (int n = 1; n <= kShownMachines; ++n)
        正误[n]->setVisible(false);
    set_font_size_if_changed(透明标签[1], common::to_integer(field_at(fields, protocol::kQuestionFontField)));
    set_caption_if_changed(透明标签[1], field_at(fields, protocol::kQuestionField));
    透明标签[2]->set_font_size(scaled_countdown_font(fields, kListenPromptFontDivisor));
    透明标签[2]->set_caption("请听题……");
}

void DisplayWindow::show_tick(const common::TextList& fields)
{
    for (int n = 1; n <= kShownMachines; ++n)
        正误[n]->setVisible(false);
    图片框[5]->setVisible(false);
    const int n = common::to_integer(field_at(fields, protocol::kSecondsLeftField));
    透明标签[2]->set_caption(common::to_text(n));
    if (n == common::to_integer(field_at(fields, protocol::kTimeLimitField)))
        m_sound.play_sound(resources::start_sound());
    set_font_size_if_changed(透明标签[2], common::to_integer(field_at(fields, protocol::kCountdownFontField)));
    set_font_size_if_changed(透明标签[1], common::to_integer(field_at(fields, protocol::kQuestionFontField)));
    set_caption_if_changed(透明标签[1], field_at(fields, protocol::kQuestionField));
    if (n == kFinalSecondsLeft)
        m_sound.play_sound(resources::final_seconds_sound());
    if (n > 0)
        return;
    透明标签[2]->set_caption("时间到");
    common::delay_ms(kTimeUpShownMs);
    const GbkText answer = field_at(fields, protocol::kAnswerField);
    if (!answer.empty()) {
        透明标签[2]->set_font_size(scaled_countdown_font(fields, kAnswerFontDivisor));
        透明标签[2]->set_caption(answer);
    }
}

void DisplayWindow::show_display_wait(const common::TextList& fields)
{
    透明标签[1]->set_caption(field_at(fields, protocol::kDisplayTitleField));
    common::ftp_connect(server_address, protocol::kFtpUser, protocol::kFtpSecret, protocol::kFtpPort);
    common::ftp_get_file(protocol::kServerLogo, protocol::kFetchedLogo);
    if (common::file_exists(protocol::kFetchedLogo))
        图片框[5]->set_picture(common::read_file(protocol::kFetchedLogo));
    图片框[5]->setVisible(true);
    透明标签[2]->set_caption({});
    透明标签[1]->set_font_size(common::to_integer(field_at(fields, protocol::kDisplayTitleFontField)));
}

} // namespace display
