#include "display/window/displaywindow.h"

#include "common/events/clientsocket.h"
#include "common/events/timer.h"
#include "common/widgets/controls.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/picturedecoder.h"
#include "common/widgets/soundoutput.h"
#include "common/widgets/translabel.h"
#include "common/widgets/windowbuilding.h"
#include "resources/builtin.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace display {

namespace {

// The labels' design fonts: characters 40 and 171 pixels high, in points at 96 dots per inch.
constexpr int kTitleFontPoints = 30;
constexpr int kCountdownFontPoints = 128;
// Ink that reads well both on the pale paper background and on the logo.
const QColor kLabelInk(0x8B, 0x10, 0x10);

common::PictureBox* picture_box(QWidget* parent, int n, QRect geometry, const common::ByteData& picture)
{
    auto* box = common::place_control(new common::PictureBox, common::numbered_name(u"图片框", n), parent, geometry);
    box->set_picture(picture);
    return box;
}

common::TransLabel* trans_label(QWidget* parent, int n, QRect geometry, int points)
{
    auto* label =
        common::place_control(new common::TransLabel, common::numbered_name(u"透明标签", n), parent, geometry);
    QFont font = label->font();
    font.setWeight(QFont::Normal);
    label->setFont(font);
    label->set_font_size(points);
    label->set_alignment(Qt::AlignCenter);
    label->set_word_wrap(true);
    label->set_text_color(kLabelInk);
    return label;
}

} // namespace

DisplayWindow::DisplayWindow(common::OperatorDialogs& dialogs, common::SoundOutput& sound, QWidget* parent)
    : QWidget(parent), m_dialogs(dialogs), m_sound(sound),
      m_background(common::decode_picture(resources::display_background_picture()))
{
    setObjectName(QStringLiteral("OruvanScreen"));
    common::set_caption(this, "【Oruvan】显示器");
    resize(kDesignWidth, kDesignHeight);
    move(50, 50);
    common::set_window_icon(this, resources::program_icon());
    create_controls();
    bind_handlers();
}

DisplayWindow::~DisplayWindow() = default;

void DisplayWindow::create_controls()
{
    // Later siblings lie on top. The grid lies lowest, the logo over it, the labels over the logo
    // so that a title shows on it, and the icons on top of everything so they stay reachable.
    const std::array<QPoint, 5> grid{QPoint(), QPoint(8, 19), QPoint(448, 19), QPoint(8, 328), QPoint(448, 328)};
    for (int n = 1; n <= kShownMachines; ++n) {
        图片框[n] = picture_box(this, n, QRect(grid[n], QSize(432, 304)), resources::tile_waiting_picture());
        正误[n] = common::place_control(new common::PictureBox, common::numbered_name(u"正误", n), 图片框[n],
                                        QRect(330, 201, 100, 100));
    }
    图片框[5] = picture_box(this, 5, QRect(0, 0, 250, 190), resources::default_logo_picture());
    透明标签[1] = trans_label(this, 1, QRect(44, 15, 800, 315), kTitleFontPoints);
    透明标签[2] = trans_label(this, 2, QRect(32, 335, 824, 272), kCountdownFontPoints);
    图片框[6] = picture_box(this, 6, QRect(8, 8, 10, 10), resources::cross_picture());
    图片框[7] = picture_box(this, 7, QRect(23, 8, 10, 10), resources::question_icon_picture());
    图片框[8] = picture_box(this, 8, QRect(38, 8, 10, 10), resources::box_icon_picture());

    for (int n = 1; n <= 2; ++n) {
        客户[n] = new common::ClientSocket(this);
        客户[n]->setObjectName(common::numbered_name(u"客户", n));
    }
    时钟[1] = new common::Timer(kRelinkMs, this);
    时钟[2] = new common::Timer(0, this);
    for (int n = 1; n <= 2; ++n)
        时钟[n]->setObjectName(common::numbered_name(u"时钟", n));
}

void DisplayWindow::bind_handlers()
{
    connect(图片框[6], &common::PictureBox::doubleClicked, this, &DisplayWindow::on_exit_icon);
    connect(图片框[7], &common::PictureBox::doubleClicked, this, &DisplayWindow::on_set_server_icon);
    connect(图片框[8], &common::PictureBox::doubleClicked, this, &DisplayWindow::on_maximise_icon);
    connect(客户[1], &common::ClientSocket::dataArrived, this, &DisplayWindow::on_photo_message);
    connect(客户[1], &common::ClientSocket::connectionClosed, this, &DisplayWindow::on_photo_link_closed);
    connect(客户[2], &common::ClientSocket::dataArrived, this, &DisplayWindow::on_control_message);
    connect(客户[2], &common::ClientSocket::connectionClosed, this, &DisplayWindow::on_control_link_closed);
    connect(时钟[1], &common::Timer::timeout, this, &DisplayWindow::on_photo_timer);
    connect(时钟[2], &common::Timer::timeout, this, &DisplayWindow::on_login_timer);
}

void DisplayWindow::paintEvent(QPaintEvent*)
{
    // The background is larger than the design window: it is drawn from the top-left corner at its
    // own size and only stretched when the window outgrows it (maximised on a hall screen).
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_background.width() >= width() && m_background.height() >= height())
        painter.drawImage(QPoint(0, 0), m_background);
    else
        painter.drawImage(rect(), m_background);
}

void DisplayWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    on_display_window_resized();
}

} // namespace display
