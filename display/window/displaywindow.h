#pragma once

#include <array>

#include "common/text/gbktext.h"
#include "protocol/fields.h"

#include <QImage>
#include <QWidget>

namespace common {
class ClientSocket;
class OperatorDialogs;
class PictureBox;
class SoundOutput;
class Timer;
class TransLabel;
} // namespace common

namespace display {

using common::GbkText;

// The hall display's one window: every control under its own name (also its objectName) and every
// handler under its own name, defined in the handlers/ files, one file per concern. Arrays are
// indexed by the number in the control's name (图片框[5] is 图片框5); slot 0 stays null. Handlers
// share state only through these controls and the stored server address.
class DisplayWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisplayWindow)

public:
    // The design size; see on_display_window_resized for how it maps onto Qt.
    static constexpr int kDesignWidth = 890;
    static constexpr int kDesignHeight = 640;
    // The hall screen shows the handwriting of machines 1-4, the ones the judge marks.
    static constexpr int kShownMachines = protocol::kJudgedMachines;
    // Both links are made again this often while they are down.
    static constexpr int kRelinkMs = 5000;

    // The dialogs and the sound output are owned by the caller and outlive the window.
    DisplayWindow(common::OperatorDialogs& dialogs, common::SoundOutput& sound, QWidget* parent = nullptr);
    ~DisplayWindow() override;

    // Start-up, layout and the three icons (handlers/startup.cpp).
    void on_display_window_created();
    void on_display_window_resized();
    void on_exit_icon(int x, int y, int keys);
    void on_set_server_icon(int x, int y, int keys);
    void on_maximise_icon(int x, int y, int keys);

    // The two links to the server (handlers/links.cpp).
    void on_login_timer();
    void on_control_link_closed();
    void on_photo_timer();
    void on_photo_link_closed();

    // What arrives on the control link (handlers/control.cpp).
    void on_control_message();

    // What arrives on the picture link, and the FTP fetch (handlers/photos.cpp).
    void on_photo_message();
    void fetch_photos();

    // The controls (window/displaywindow.cpp makes them).

    // 1-4: machine n's handwriting, htt<n>.jpg after each fetch (fetch_photos); 5: the logo, stretched
    //      over the whole window (on_display_window_created, and a display wait fetches a new one);
    // 6: exit icon; 7: set-server icon; 8: maximise icon (double-clicks only).
    std::array<common::PictureBox*, 9> 图片框{};
    // 1-4: the judge's right/wrong mark on picture n (on_photo_message); hidden by a question start.
    std::array<common::PictureBox*, 5> 正误{};
    // 1: the title or the question text; 2: the countdown and status, the answer at time-up. Both
    //    written by on_control_message.
    std::array<common::TransLabel*, 3> 透明标签{};
    // 1: the picture link to port 19739, made by on_photo_timer; 2: the control link to port 19730,
    //    made by on_login_timer.
    std::array<common::ClientSocket*, 3> 客户{};
    // 1: picture-link timer, every kRelinkMs it makes the link again (on_photo_timer); a message not
    //    from our server stops it until the link closes;
    // 2: login timer, kRelinkMs from start and after the control link closes (on_login_timer),
    //    stopped by every control message.
    std::array<common::Timer*, 3> 时钟{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void create_controls();
    void bind_handlers();

    // One step of on_control_message per kind of message (handlers/control.cpp).
    void show_question_start(const common::TextList& fields);
    void show_tick(const common::TextList& fields);
    void show_display_wait(const common::TextList& fields);

    common::OperatorDialogs& m_dialogs;
    common::SoundOutput& m_sound;
    QImage m_background;
};

} // namespace display
