#pragma once

#include <array>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
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

    // Start-up and the tray icon (handlers/startup.cpp).
    void on_server_window_created();
    void on_notify_icon_event(int action);

    // The quit question (handlers/exit.cpp).
    bool on_query_close();

    // Login, the user list and sending every client away (handlers/login.cpp).
    void on_login_data();
    void on_all_exit();
    void send_to_row(int row, const GbkText& message);

    // Hand-in channels of machines 1 to 8 (handlers/handin.cpp).
    void on_machine_data(int n);
    void on_machine_connect(int n);
    void on_machine_disconnect(int n);
    void broadcast_transfer();

    // Question send and countdown (handlers/question.cpp).
    void on_send_question();
    void on_countdown_tick();
    void on_start_timing();
    void on_stop_timing();
    void on_examiner_data();

    // Question end, waiting, rounds and display set-up (handlers/rounds.cpp).
    void on_all_done();
    void on_all_wait();
    void on_next_round();
    void send_display_wait();
    void on_set_display_background();
    void on_set_display_title();
    void on_client_sync_timer();
    void on_display_sync_timer();

    // Judge results and the display's picture channel (handlers/judge.cpp).
    void on_judge_data();
    void on_screen_connect();
    void on_screen_data();
    void sync_display();

    // Word banks and the question builder (handlers/wordbank.cpp).
    void on_category_picked();
    void on_grade_picked();
    void on_word_picked();
    void on_adopt_word();

    // Server-address QR panel (handlers/qrpanel.cpp).
    void on_show_ip_qr_code();
    void on_qr_double_click();

    // The outside FTP server program in the program folder, started with the window and ended on exit.
    static inline const GbkText kFtpServerProgram = "ftpserver.exe";

    // The controls (window/serverwindow.cpp makes them). "Operator" marks what only the operator
    // changes; handlers read it afresh each time.

    // 1-8: machine n's handwriting tile, ht<n>.jpg after each hand-in (on_machine_data), the
    //      waiting tile when the machine leaves (on_machine_disconnect);
    // 9:   the QR picture of the server's addresses inside 分组框4 (on_show_ip_qr_code).
    std::array<common::PictureBox*, 10> 图片框{};
    // 1-8: the judge's right/wrong mark on tile n; on_judge_data shows 1-4, on_send_question hides all.
    std::array<common::PictureBox*, 9> 正误{};
    // A 1 x 1 browser box that loads nothing; nothing reads it.
    QWidget* 超文本浏览框1 = nullptr;
    // 1: question writing; 2: user list; 3: basic settings; 4: the QR panel, shown by
    // on_show_ip_qr_code and hidden by on_qr_double_click; 5: client operations; 6: display operations.
    std::array<QGroupBox*, 7> 分组框{};
    // 1: caption around 编辑框2; 2: seconds left (on_send_question, on_countdown_tick, on_all_exit);
    // 3: the server addresses under the QR picture (on_show_ip_qr_code); 4, 5, 6, 7: captions.
    std::array<QLabel*, 8> 标签{};
    // Each button runs one handler: 1 broadcast_transfer, 2 on_send_question, 3 on_all_wait,
    // 4 on_all_done, 5 on_all_exit, 6 on_show_ip_qr_code, 7 sync_display, 8 send_display_wait,
    // 9 on_set_display_title (a child of the window lying over 分组框6), 10 on_set_display_background,
    // 11 on_start_timing, 12 on_stop_timing, 13 on_adopt_word, 14 on_next_round.
    std::array<QPushButton*, 15> 按钮{};
    // QLineEdit, but 1 and 6 are multi-line QPlainTextEdit; QWidget is their only common type, and
    // common::content reads either.
    // 1:  the prompt that is sent; copied from 6 by on_send_question and on_adopt_word;
    // 2:  time limit in seconds (operator);
    // 3:  font size of the question text and of the display title (operator);
    // 4:  font size of the countdown on the display (operator);
    // 5:  the answer that is sent; copied from 7 like 1, blanks taken out by on_send_question;
    // 6:  the prompt the question builder prepares (on_word_picked), behind which 1 lies;
    // 7:  the answer the question builder prepares (on_word_picked), behind which 5 lies;
    // 8:  round number, stepped by on_next_round;
    // 9:  question number, stepped by on_all_done, back to 1 on a new round;
    // 10: number of extra questions (operator), back to 0 on a new round;
    // 11: index of the running extra question, stepped by on_all_done while 选择框8 is ticked, back
    //     to 1 on a new round;
    // 12: the grid count that is sent, set from 组合框3 by on_send_question.
    std::array<QWidget*, 13> 编辑框{};
    // Options the operator ticks: 1 start the countdown on send; 2 ask for hand-in every 10 s;
    // 3 send the answer; 4 complete pinyin and meaning online (also set by on_category_picked);
    // 5 show the pictures on the display every 10 s; 6 send the prompt; 7 show the pictures on the
    // display at time-up; 8 extra questions are running (cleared by on_next_round).
    std::array<QCheckBox*, 9> 选择框{};
    // 1: word-bank category (operator); 2: grade of the in-textbook bank, enabled by
    // on_category_picked; 3: the grid count the operator sees, set by on_word_picked.
    std::array<QComboBox*, 4> 组合框{};
    // The bank lines to pick from, filled by on_category_picked and on_grade_picked.
    QListWidget* 列表框1 = nullptr;
    // The user list: eleven rows, the routing table for port 19730 (on_login_data, on_all_exit,
    // on_machine_disconnect).
    QTreeWidget* 超级列表框1 = nullptr;
    // 1: the 1000 ms countdown (on_countdown_tick), run by the send and timing handlers;
    // 2: hand-in request every 10 s (on_client_sync_timer); 3: display pictures every 10 s
    // (on_display_sync_timer).
    std::array<common::Timer*, 4> 时钟{};
    // 0: port 19730, login and every message to a role; 1-8: hand-in of machine n on 19730 + n;
    // then the display's picture link (19739), the examiner (19740) and the judge (19741).
    static constexpr int kScreenSlot = protocol::kMachineCount + 1;
    static constexpr int kExaminerSlot = kScreenSlot + 1;
    static constexpr int kJudgeSlot = kExaminerSlot + 1;
    std::array<common::ListenSocket*, kJudgeSlot + 1> 服务器{};

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Making the window (window/serverwindow.cpp): one step per group of controls.
    void create_controls();
    void create_tiles();
    void create_qr_panel();
    // Group box n of the lower strip, at left and width wide.
    QGroupBox* create_strip_group(int n, int left, int width, const GbkText& caption);
    void create_user_list_group();
    void create_question_group();
    void create_settings_group();
    void create_client_group();
    void create_display_group();
    void create_timers();
    void create_listeners();
    void bind_handlers();

    // What the question and round handlers send, read from the boxes at this moment, so an edit
    // shows in the next message (handlers/questionfields.cpp).
    protocol::QuestionFields question_fields(const GbkText& question, const GbkText& answer) const;
    // Question and answer in full: what the examiner and the judge always see.
    protocol::QuestionFields full_question_fields() const;
    GbkText current_round_title() const;

    common::OperatorDialogs& m_dialogs;
    const DictionarySites m_dictionary_sites;
};

} // namespace server
