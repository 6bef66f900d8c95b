#pragma once

#include <array>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"
#include "server/builder/onlinedictionary.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace common {
class ListenSocket;
class OperatorDialogs;
class PictureBox;
class Timer;
} // namespace common

namespace server {

using common::ByteData;
using common::GbkText;

// The contest server's one window: every control under its own name (also its objectName), and
// every handler under its own name. Handlers share state only through these controls and the
// globals; they are defined in the handlers/ files, one file per concern. Arrays are indexed by
// the number in the control's name (编辑框[2] is 编辑框2); unused slots stay null.
class ServerWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerWindow)

public:
    // The dialogs are owned by the caller and outlive the window. The dictionary sites are the ones
    // the question builder's online lookup asks (tests give a local stand-in).
    explicit ServerWindow(common::OperatorDialogs& dialogs, DictionarySites dictionary_sites = kPublicDictionarySites,
                          QWidget* parent = nullptr);
    ~ServerWindow() override;

    // Start-up and the tray icon.
    void on_server_window_created();
    void on_notify_icon_event(int action);
    bool on_query_close();

    // Login, user list and exit.
    void on_login_data();
    void on_all_exit();
    void send_to_row(int row, const GbkText& message);

    // Hand-in channels of machines 1 to 8.
    void on_machine_data(int n);
    void on_machine_connect(int n);
    void on_machine_disconnect(int n);
    void broadcast_transfer();

    // Question send and countdown.
    void on_send_question();
    void on_countdown_tick();
    void on_start_timing();
    void on_stop_timing();
    void on_examiner_data();

    // Question end, waiting, rounds and display set-up.
    void on_all_done();
    void on_all_wait();
    void on_next_round();
    void send_display_wait();
    void on_set_display_background();
    void on_set_display_title();
    void on_client_sync_timer();
    void on_display_sync_timer();

    // Judge results and the display's picture channel.
    void on_judge_data();
    void on_screen_connect();
    void on_screen_data();
    void sync_display();

    // Word banks and the question builder.
    void on_category_picked();
    void on_grade_picked();
    void on_word_picked();
    void on_adopt_word();

    // Server-address QR panel.
    void on_show_ip_qr_code();
    void on_qr_double_click();

    std::array<common::PictureBox*, 10> 图片框{};
    std::array<common::PictureBox*, 9> 正误{};
    QWidget* 超文本浏览框1 = nullptr;
    std::array<QGroupBox*, 7> 分组框{};
    std::array<QLabel*, 8> 标签{};
    std::array<QPushButton*, 15> 按钮{};
    std::array<QWidget*, 13> 编辑框{}; // 1 and 6 are multi-line
    std::array<QCheckBox*, 9> 选择框{};
    std::array<QComboBox*, 4> 组合框{};
    QListWidget* 列表框1 = nullptr;
    QTreeWidget* 超级列表框1 = nullptr;
    std::array<common::Timer*, 4> 时钟{};
    std::array<common::ListenSocket*, 12> 服务器{};

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void create_controls();
    void bind_handlers();

    common::OperatorDialogs& m_dialogs;
    const DictionarySites m_dictionary_sites;
};

} // namespace server
