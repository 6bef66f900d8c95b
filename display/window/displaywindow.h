#pragma once

#include <array>

#include "common/text/gbktext.h"

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

    // The dialogs and the sound output are owned by the caller and outlive the window.
    DisplayWindow(common::OperatorDialogs& dialogs, common::SoundOutput& sound, QWidget* parent = nullptr);
    ~DisplayWindow() override;

    // Start-up, layout and the three icons.
    void on_display_window_created();
    void on_display_window_resized();
    void on_exit_icon(int x, int y, int keys);
    void on_set_server_icon(int x, int y, int keys);
    void on_maximise_icon(int x, int y, int keys);

    // The two links to the server.
    void on_login_timer();
    void on_control_link_closed();
    void on_photo_timer();
    void on_photo_link_closed();

    // What arrives on them.
    void on_control_message();
    void on_photo_message();
    void fetch_photos();

    std::array<common::PictureBox*, 9> 图片框{};
    std::array<common::PictureBox*, 5> 正误{};
    std::array<common::TransLabel*, 3> 透明标签{};
    std::array<common::ClientSocket*, 3> 客户{};
    std::array<common::Timer*, 3> 时钟{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void create_controls();
    void bind_handlers();

    common::OperatorDialogs& m_dialogs;
    common::SoundOutput& m_sound;
    QImage m_background;
};

} // namespace display
