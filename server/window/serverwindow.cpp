#include "server/window/serverwindow.h"

#include "common/events/listensocket.h"
#include "common/events/timer.h"
#include "common/text/gbkcodec.h"
#include "common/widgets/controls.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/selectionchange.h"
#include "common/widgets/trayicon.h"
#include "common/widgets/windowbuilding.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "server/handlers/userlist.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeWidget>

namespace server {

namespace {

// The client area that an outer size of 1098 x 606 leaves inside a usual frame and title bar.
constexpr int kClientWidth = 1090;
constexpr int kClientHeight = 572;
constexpr int kTileWidth = 264;
constexpr int kTileHeight = 170;
constexpr int kStripTop = 354;
constexpr int kStripHeight = 214;
// The two "10秒同步" timers.
constexpr int kSyncIntervalMs = 10000;

// Puts an edit box over a blank gap of nine spaces in a caption ("第         轮"), where the
// caption's font draws the gap, so that caption and box read as one line.
void cover_gap(QWidget* box, const QWidget* captioned, const GbkText& before, int text_left = 0)
{
    const QFontMetrics metrics(captioned->font());
    const int left = captioned->x() + text_left + metrics.horizontalAdvance(common::to_qstring(before));
    box->setGeometry(left, captioned->y(), metrics.horizontalAdvance(QString(9, u' ')), captioned->height());
}

int check_box_text_left(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
}

QFont bold(QFont font)
{
    font.setBold(true);
    return font;
}

} // namespace

ServerWindow::ServerWindow(common::OperatorDialogs& dialogs, DictionarySites dictionary_sites, QWidget* parent)
    : QWidget(parent), m_dialogs(dialogs), m_dictionary_sites(std::move(dictionary_sites))
{
    setObjectName(QStringLiteral("Oruvan"));
    common::set_caption(this, "Oruvan——汉字听写大会专用程序服务端 V20171218");
    setFixedSize(kClientWidth, kClientHeight);
    move(50, 50);
    common::set_window_icon(this, resources::program_icon());
    create_controls();
    bind_handlers();
}

ServerWindow::~ServerWindow() = default;

void ServerWindow::create_controls()
{
    create_tiles();
    超文本浏览框1 = common::place_control(new QWidget, QStringLiteral("超文本浏览框1"), this, QRect(0, 0, 1, 1));
    create_qr_panel();
    // Lower strip, left to right: user list, question writing, settings, clients, display.
    create_user_list_group();
    create_question_group();
    create_settings_group();
    create_client_group();
    create_display_group();
    // The QR panel stays on top of the tiles when shown.
    分组框[4]->raise();
    create_timers();
    create_listeners();
}

void ServerWindow::create_tiles()
{
    // Column k holds machine 2k-1 on top and 2k below, each tile with its mark.
    for (int n = 1; n <= protocol::kMachineCount; ++n) {
        const int column = (n - 1) / 2;
        const int row = (n - 1) % 2;
        const QRect tile(4 + column * (kTileWidth + 8), 4 + row * (kTileHeight + 6), kTileWidth, kTileHeight);
        图片框[n] = common::place_control(new common::PictureBox, common::numbered_name(u"图片框", n), this, tile);
        图片框[n]->set_picture(resources::tile_waiting_picture());
        正误[n] = common::place_control(new common::PictureBox, common::numbered_name(u"正误", n), 图片框[n],
                                        QRect(183, 89, 80, 80));
    }
}

void ServerWindow::create_qr_panel()
{
    // The QR panel lies hidden over the tiles of the second and third columns.
    分组框[4] = common::place_control(new QGroupBox, QStringLiteral("分组框4"), this, QRect(370, 2, 348, 348));
    common::set_caption(分组框[4], "请使用客户端扫描二维码（双击二维码关闭窗口）");
    图片框[9] =
        common::place_control(new common::PictureBox, QStringLiteral("图片框9"), 分组框[4], QRect(24, 20, 300, 300));
    标签[3] = common::place_control(new QLabel, QStringLiteral("标签3"), 分组框[4], QRect(10, 322, 328, 22));
    common::set_caption(标签[3], "服务器IP：");
    分组框[4]->setAutoFillBackground(true);
    分组框[4]->hide();
}

QGroupBox* ServerWindow::create_strip_group(int n, int left, int width, const GbkText& caption)
{
    分组框[n] = common::place_control(new QGroupBox, common::numbered_name(u"分组框", n), this,
                                      QRect(left, kStripTop, width, kStripHeight));
    common::set_caption(分组框[n], caption);
    return 分组框[n];
}

void ServerWindow::create_user_list_group()
{
    QWidget* u = create_strip_group(2, 4, 288, "连接用户列表");
    超级列表框1 = common::place_control(new QTreeWidget, QStringLiteral("超级列表框1"), u, QRect(6, 22, 276, 186));
    超级列表框1->setRootIsDecorated(false);
    超级列表框1->setColumnCount(3);
    超级列表框1->setHeaderLabels({QStringLiteral("昵称"), QStringLiteral("状态"), QStringLiteral("地址")});
    超级列表框1->setColumnWidth(kNameColumn, 60);
    超级列表框1->setColumnWidth(kStatusColumn, 60);
    超级列表框1->setColumnWidth(kAddressColumn, 150);
    超级列表框1->setSelectionMode(QAbstractItemView::SingleSelection);
    按钮[6] = common::place_control(new QPushButton, QStringLiteral("按钮6"), u, QRect(206, 0, 78, 20));
    common::set_caption(按钮[6], "IP二维码");
}

void ServerWindow::create_question_group()
{
    // The sent fields lie behind the prepared ones that the operator edits.
    QWidget* q = create_strip_group(1, 296, 426, "题目编写区域（客户端根据答案字数显示格子）");
    编辑框[1] = common::place_control(new QPlainTextEdit, QStringLiteral("编辑框1"), q, QRect(8, 22, 250, 66));
    编辑框[6] = common::place_control(new QPlainTextEdit, QStringLiteral("编辑框6"), q, QRect(8, 22, 250, 66));
    common::set_content(编辑框[6], "拼音：biān fú\r\n释义：哺乳动物，头部和躯干像老鼠，四肢和尾部之间有皮质的膜，"
                                   "夜间在空中飞翔，吃蚊、蛾等昆虫。");
    编辑框[5] = common::place_control(new QLineEdit, QStringLiteral("编辑框5"), q, QRect(8, 94, 120, 24));
    编辑框[7] = common::place_control(new QLineEdit, QStringLiteral("编辑框7"), q, QRect(8, 94, 120, 24));
    common::set_content(编辑框[7], "蝙蝠");
    按钮[13] = common::place_control(new QPushButton, QStringLiteral("按钮13"), q, QRect(132, 94, 44, 24));
    common::set_caption(按钮[13], "采用");
    按钮[2] = common::place_control(new QPushButton, QStringLiteral("按钮2"), q, QRect(180, 94, 78, 24));
    common::set_caption(按钮[2], "发送题目");
    按钮[2]->setFont(bold(按钮[2]->font()));

    标签[4] = common::place_control(new QLabel, QStringLiteral("标签4"), q, QRect(8, 124, 78, 22));
    common::set_caption(标签[4], "答题格子数：");
    编辑框[12] = common::place_control(new QLineEdit, QStringLiteral("编辑框12"), q, QRect(86, 123, 48, 24));
    common::set_content(编辑框[12], "2");
    组合框[3] = common::place_control(new QComboBox, QStringLiteral("组合框3"), q, QRect(86, 123, 48, 24));
    for (int item = 1; item <= protocol::kMachineCount; ++item)
        common::combo_box_add_item(组合框[3], std::to_string(item));
    组合框[3]->setCurrentIndex(1);
    标签[6] = common::place_control(new QLabel, QStringLiteral("标签6"), q, QRect(142, 124, 40, 22));
    common::set_caption(标签[6], "字号：");
    编辑框[3] = common::place_control(new QLineEdit, QStringLiteral("编辑框3"), q, QRect(182, 123, 40, 24));
    common::set_content(编辑框[3], "50");

    选择框[6] = common::place_control(new QCheckBox, QStringLiteral("选择框6"), q, QRect(8, 150, 82, 22));
    common::set_caption(选择框[6], "显示题目");
    选择框[3] = common::place_control(new QCheckBox, QStringLiteral("选择框3"), q, QRect(92, 150, 82, 22));
    common::set_caption(选择框[3], "显示答案");
    选择框[3]->setChecked(true);
    选择框[4] = common::place_control(new QCheckBox, QStringLiteral("选择框4"), q, QRect(176, 150, 82, 22));
    common::set_caption(选择框[4], "百度取词");
    选择框[4]->setChecked(true);

    标签[5] = common::place_control(new QLabel, QStringLiteral("标签5"), q, QRect(8, 180, 150, 24));
    common::set_caption(标签[5], "第         轮，第         题");
    编辑框[8] = common::place_control(new QLineEdit, QStringLiteral("编辑框8"), q, QRect());
    cover_gap(编辑框[8], 标签[5], "第");
    common::set_content(编辑框[8], "1");
    编辑框[9] = common::place_control(new QLineEdit, QStringLiteral("编辑框9"), q, QRect());
    cover_gap(编辑框[9], 标签[5], "第         轮，第");
    common::set_content(编辑框[9], "1");
    按钮[14] = common::place_control(new QPushButton, QStringLiteral("按钮14"), q, QRect(162, 180, 30, 24));
    common::set_caption(按钮[14], "新");

    组合框[1] = common::place_control(new QComboBox, QStringLiteral("组合框1"), q, QRect(264, 22, 76, 24));
    组合框[2] = common::place_control(new QComboBox, QStringLiteral("组合框2"), q, QRect(344, 22, 76, 24));
    组合框[2]->setEnabled(false);
    列表框1 = common::place_control(new QListWidget, QStringLiteral("列表框1"), q, QRect(264, 50, 156, 126));
    // Banks run to many thousand lines: one row height for all keeps each fill's layout cheap.
    列表框1->setUniformItemSizes(true);
    选择框[8] = common::place_control(new QCheckBox, QStringLiteral("选择框8"), q, QRect(228, 180, 194, 24));
    common::set_caption(选择框[8], "加赛         题的第         题");
    编辑框[10] = common::place_control(new QLineEdit, QStringLiteral("编辑框10"), q, QRect());
    cover_gap(编辑框[10], 选择框[8], "加赛", check_box_text_left(选择框[8]));
    common::set_content(编辑框[10], "0");
    编辑框[11] = common::place_control(new QLineEdit, QStringLiteral("编辑框11"), q, QRect());
    cover_gap(编辑框[11], 选择框[8], "加赛         题的第", check_box_text_left(选择框[8]));
    common::set_content(编辑框[11], "1");
}

void ServerWindow::create_settings_group()
{
    QWidget* s = create_strip_group(3, 726, 146, "基本设置区域");
    标签[1] = common::place_control(new QLabel, QStringLiteral("标签1"), s, QRect(8, 22, 132, 24));
    common::set_caption(标签[1], "答题限时：         秒");
    编辑框[2] = common::place_control(new QLineEdit, QStringLiteral("编辑框2"), s, QRect());
    cover_gap(编辑框[2], 标签[1], "答题限时：");
    common::set_content(编辑框[2], "30");
    标签[7] = common::place_control(new QLabel, QStringLiteral("标签7"), s, QRect(8, 50, 64, 24));
    common::set_caption(标签[7], "显示字号：");
    编辑框[4] = common::place_control(new QLineEdit, QStringLiteral("编辑框4"), s, QRect(70, 50, 44, 24));
    common::set_content(编辑框[4], "400");
    标签[2] = common::place_control(new QLabel, QStringLiteral("标签2"), s, QRect(8, 76, 130, 56));
    QFont big = bold(标签[2]->font());
    big.setPixelSize(56);
    标签[2]->setFont(big);
    标签[2]->setAlignment(Qt::AlignCenter);
    common::set_caption(标签[2], "00");
    按钮[11] = common::place_control(new QPushButton, QStringLiteral("按钮11"), s, QRect(8, 134, 64, 26));
    common::set_caption(按钮[11], "开始计时");
    按钮[11]->setFont(bold(按钮[11]->font()));
    按钮[12] = common::place_control(new QPushButton, QStringLiteral("按钮12"), s, QRect(76, 134, 64, 26));
    common::set_caption(按钮[12], "停止计时");
    选择框[1] = common::place_control(new QCheckBox, QStringLiteral("选择框1"), s, QRect(8, 164, 130, 22));
    common::set_caption(选择框[1], "自动计时");
    选择框[1]->setChecked(true);
    选择框[7] = common::place_control(new QCheckBox, QStringLiteral("选择框7"), s, QRect(8, 186, 130, 22));
    common::set_caption(选择框[7], "自动传屏");
    选择框[7]->setChecked(true);
}

void ServerWindow::create_client_group()
{
    QWidget* c = create_strip_group(5, 876, 104, "客户端操作");
    const std::array<std::pair<int, const char*>, 4> clientButtons{
        {{3, "全部等待"}, {4, "全部完毕"}, {5, "全部退出"}, {1, "同步客户端"}}};
    for (std::size_t i = 0; i < clientButtons.size(); ++i) {
        const auto [n, text] = clientButtons[i];
        按钮[n] = common::place_control(new QPushButton, common::numbered_name(u"按钮", n), c,
                                        QRect(8, 22 + int(i) * 34, 88, 28));
        common::set_caption(按钮[n], text);
    }
    选择框[2] = common::place_control(new QCheckBox, QStringLiteral("选择框2"), c, QRect(8, 160, 88, 24));
    common::set_caption(选择框[2], "10秒同步");
}

void ServerWindow::create_display_group()
{
    // 按钮9 belongs to the window but lies inside the group, below 按钮8.
    QWidget* d = create_strip_group(6, 984, 104, "显示屏操作");
    按钮[8] = common::place_control(new QPushButton, QStringLiteral("按钮8"), d, QRect(8, 22, 88, 28));
    common::set_caption(按钮[8], "显示端等待");
    按钮[9] =
        common::place_control(new QPushButton, QStringLiteral("按钮9"), this, QRect(d->x() + 8, d->y() + 56, 88, 28));
    common::set_caption(按钮[9], "设显示标题");
    按钮[10] = common::place_control(new QPushButton, QStringLiteral("按钮10"), d, QRect(8, 90, 88, 28));
    common::set_caption(按钮[10], "设显示背景");
    按钮[7] = common::place_control(new QPushButton, QStringLiteral("按钮7"), d, QRect(8, 124, 88, 28));
    common::set_caption(按钮[7], "同步显示端");
    选择框[5] = common::place_control(new QCheckBox, QStringLiteral("选择框5"), d, QRect(8, 160, 88, 24));
    common::set_caption(选择框[5], "10秒同步");
}

void ServerWindow::create_timers()
{
    时钟[1] = new common::Timer(0, this);
    时钟[2] = new common::Timer(kSyncIntervalMs, this);
    时钟[3] = new common::Timer(kSyncIntervalMs, this);
    for (int n = 1; n < static_cast<int>(时钟.size()); ++n)
        时钟[n]->setObjectName(common::numbered_name(u"时钟", n));
}

void ServerWindow::create_listeners()
{
    服务器[0] = new common::ListenSocket(protocol::kLoginPort, this);
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        服务器[n] = new common::ListenSocket(protocol::hand_in_port(n), this);
    服务器[kScreenSlot] = new common::ListenSocket(protocol::kScreenPort, this);
    服务器[kExaminerSlot] = new common::ListenSocket(protocol::kExaminerPort, this);
    服务器[kJudgeSlot] = new common::ListenSocket(protocol::kJudgePort, this);
    for (int n = 0; n < static_cast<int>(服务器.size()); ++n)
        服务器[n]->setObjectName(common::numbered_name(u"服务器", n));
}

void ServerWindow::bind_handlers()
{
    using common::ListenSocket;
    connect(common::tray_icon_of(this), &common::TrayIcon::trayEvent, this, &ServerWindow::on_notify_icon_event);

    connect(服务器[0], &ListenSocket::dataArrived, this, &ServerWindow::on_login_data);
    for (int n = 1; n <= protocol::kMachineCount; ++n) {
        connect(服务器[n], &ListenSocket::dataArrived, this, [this, n] { on_machine_data(n); });
        connect(服务器[n], &ListenSocket::clientConnected, this, [this, n] { on_machine_connect(n); });
        connect(服务器[n], &ListenSocket::clientDisconnected, this, [this, n] { on_machine_disconnect(n); });
    }
    connect(服务器[kScreenSlot], &ListenSocket::clientConnected, this, &ServerWindow::on_screen_connect);
    connect(服务器[kScreenSlot], &ListenSocket::dataArrived, this, &ServerWindow::on_screen_data);
    connect(服务器[kExaminerSlot], &ListenSocket::dataArrived, this, &ServerWindow::on_examiner_data);
    connect(服务器[kJudgeSlot], &ListenSocket::dataArrived, this, &ServerWindow::on_judge_data);

    connect(时钟[1], &common::Timer::timeout, this, &ServerWindow::on_countdown_tick);
    connect(时钟[2], &common::Timer::timeout, this, &ServerWindow::on_client_sync_timer);
    connect(时钟[3], &common::Timer::timeout, this, &ServerWindow::on_display_sync_timer);

    connect(按钮[1], &QPushButton::clicked, this, &ServerWindow::broadcast_transfer);
    connect(按钮[2], &QPushButton::clicked, this, &ServerWindow::on_send_question);
    connect(按钮[3], &QPushButton::clicked, this, &ServerWindow::on_all_wait);
    connect(按钮[4], &QPushButton::clicked, this, &ServerWindow::on_all_done);
    connect(按钮[5], &QPushButton::clicked, this, &ServerWindow::on_all_exit);
    connect(按钮[6], &QPushButton::clicked, this, &ServerWindow::on_show_ip_qr_code);
    connect(按钮[7], &QPushButton::clicked, this, &ServerWindow::sync_display);
    connect(按钮[8], &QPushButton::clicked, this, &ServerWindow::send_display_wait);
    connect(按钮[9], &QPushButton::clicked, this, &ServerWindow::on_set_display_title);
    connect(按钮[10], &QPushButton::clicked, this, &ServerWindow::on_set_display_background);
    connect(按钮[11], &QPushButton::clicked, this, &ServerWindow::on_start_timing);
    connect(按钮[12], &QPushButton::clicked, this, &ServerWindow::on_stop_timing);
    connect(按钮[13], &QPushButton::clicked, this, &ServerWindow::on_adopt_word);
    connect(按钮[14], &QPushButton::clicked, this, &ServerWindow::on_next_round);

    common::on_selection_changed(组合框[1], [this] { on_category_picked(); });
    common::on_selection_changed(组合框[2], [this] { on_grade_picked(); });
    connect(列表框1, &QListWidget::currentRowChanged, this, &ServerWindow::on_word_picked);
    connect(图片框[9], &common::PictureBox::doubleClicked, this, &ServerWindow::on_qr_double_click);
}

void ServerWindow::closeEvent(QCloseEvent* event)
{
    if (on_query_close())
        event->accept();
    else
        event->ignore();
}

} // namespace server
