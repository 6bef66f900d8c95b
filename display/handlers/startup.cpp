#include "common/events/program.h"
#include "common/events/timer.h"
#include "common/text/files.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"
#include "protocol/filenames.h"

namespace display {

namespace {

// A floating-point result stored into a size or position: truncated toward zero.
int truncated(double value)
{
    return static_cast<int>(value);
}

// The address file is only read here, so it is opened for reading: a read-only file still gives
// its address.
GbkText read_ip_file()
{
    return common::read_whole_text(protocol::kServerAddressFile, common::kOpenRead);
}

// A host saved by an editor often carries a line end, and blanks creep in around a typed one. The
// TCP links would forgive them but the FTP fetch would not, so every link gets the host without them.
GbkText host_from(const GbkText& text)
{
    constexpr const char* kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == GbkText::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The mark of a picture fills its bottom-right quarter-width, third-height corner.
void place_mark(common::PictureBox* mark, const QWidget* picture)
{
    mark->move(truncated(picture->width() / 4.0 * 3), truncated(picture->height() / 3.0 * 2));
}

} // namespace

void DisplayWindow::on_display_window_created()
{
    时钟[2]->set_interval_ms(kRelinkMs);
    if (common::file_exists(protocol::kFetchedLogo))
        图片框[5]->set_picture(common::read_file(protocol::kFetchedLogo));
    server_address = host_from(read_ip_file());
    for (int n = 1; n <= kShownMachines; ++n)
        正误[n]->setVisible(false);
}

// The layout was drawn for the window's outer size, on a system where that is the area the controls
// fill. Under Qt the frame belongs to the window manager (and offscreen there is none), so the
// widget's own size stands for the outer size: the design 890 x 640 is the widget's size, and the
// grid then fits the visible area exactly.
void DisplayWindow::on_display_window_resized()
{
    const double W = width();
    const double H = height();

    图片框[1]->resize(truncated(W / 2 - 20), truncated(H / 2 - 30));
    const int w = 图片框[1]->width();
    const int h = 图片框[1]->height();

    正误[1]->resize(truncated(w / 4.0), truncated(h / 3.0));
    place_mark(正误[1], 图片框[1]);

    图片框[2]->resize(w, h);
    图片框[2]->move(w + 15, 图片框[2]->y());
    正误[2]->resize(正误[1]->size());
    place_mark(正误[2], 图片框[2]);

    图片框[3]->resize(w, h);
    图片框[3]->move(图片框[3]->x(), h + 40);
    正误[3]->resize(正误[1]->size());
    place_mark(正误[3], 图片框[3]);

    图片框[4]->resize(w, h);
    图片框[4]->move(w + 15, h + 40);
    正误[4]->resize(正误[1]->size());
    place_mark(正误[4], 图片框[4]);

    for (int n = 1; n <= 2; ++n) {
        透明标签[n]->resize(truncated(W - 80), 透明标签[n]->height());
        透明标签[n]->resize(透明标签[n]->width(), truncated(H / 2 - 30));
    }

    图片框[5]->resize(truncated(W), truncated(H));
}

void DisplayWindow::on_exit_icon(int, int, int)
{
    common::exit_program(0);
}

void DisplayWindow::on_set_server_icon(int, int, int)
{
    GbkText t = read_ip_file();
    // OK or Cancel: either way t is written back, so Cancel rewrites the old address.
    m_dialogs.input_box({}, "请输入服务器IP地址", t, t);
    common::write_whole_text(protocol::kServerAddressFile, t);
    server_address = host_from(t);
}

void DisplayWindow::on_maximise_icon(int, int, int)
{
    setWindowState(windowState() | Qt::WindowMaximized);
}

} // namespace display
