#include <gtest/gtest.h>

#include "common/events/clientsocket.h"
#include "common/events/timer.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "display/globals.h"
#include "tests/display/display_harness.h"
#include "tests/support/cannotrun.h"
#include "tests/support/waits.h"

#include <QProcess>
#include <QTest>

namespace {

using display::DisplayWindow;

QRect box(const QWidget* control)
{
    return control->geometry();
}

// Everything the layout derives from the window's size, checked against the rules worked out here.
void expect_layout_follows(const DisplayWindow& w)
{
    const int W = w.width();
    const int H = w.height();
    const int pw = static_cast<int>(W / 2.0 - 20);
    const int ph = static_cast<int>(H / 2.0 - 30);
    EXPECT_EQ(box(w.图片框[1]), QRect(8, 19, pw, ph));
    EXPECT_EQ(box(w.图片框[2]), QRect(pw + 15, 19, pw, ph));
    EXPECT_EQ(box(w.图片框[3]), QRect(8, ph + 40, pw, ph));
    EXPECT_EQ(box(w.图片框[4]), QRect(pw + 15, ph + 40, pw, ph));
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(box(w.正误[n]), QRect(static_cast<int>(pw / 4.0 * 3), static_cast<int>(ph / 3.0 * 2),
                                        static_cast<int>(pw / 4.0), static_cast<int>(ph / 3.0)));
    EXPECT_EQ(box(w.透明标签[1]), QRect(44, 15, W - 80, ph));
    EXPECT_EQ(box(w.透明标签[2]), QRect(32, 335, W - 80, ph));
    EXPECT_EQ(box(w.图片框[5]), QRect(0, 0, W, H));
}

// Tests and readers find each control by its name; each start picture decodes (a broken built-in
// picture would leave its box blank); the icons lie on top, so each double-click reaches its icon.
TEST(DisplayWindow, StartsWithEveryControlUnderItsNameAndTheIconsOnTop)
{
    DisplayHarness h;
    h.start();
    DisplayWindow& w = *h.window;
    EXPECT_FALSE(w.windowIcon().isNull());

    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(w.findChild<common::PictureBox*>(QStringLiteral("图片框%1").arg(n)), w.图片框[n]) << n;
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(w.findChild<common::PictureBox*>(QStringLiteral("正误%1").arg(n)), w.正误[n]) << n;
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(w.findChild<common::TransLabel*>(QStringLiteral("透明标签%1").arg(n)), w.透明标签[n]);
        EXPECT_EQ(w.findChild<QObject*>(QStringLiteral("客户%1").arg(n)), static_cast<QObject*>(w.客户[n]));
        EXPECT_EQ(w.findChild<common::Timer*>(QStringLiteral("时钟%1").arg(n)), w.时钟[n]);
    }

    for (int n = 1; n <= 8; ++n)
        EXPECT_FALSE(w.图片框[n]->image().isNull()) << n;
    for (int n = 1; n <= 4; ++n) {
        EXPECT_TRUE(w.图片框[n]->isVisible());
        EXPECT_FALSE(w.正误[n]->isVisibleTo(w.图片框[n]));
    }
    EXPECT_TRUE(w.透明标签[1]->caption().empty());
    EXPECT_TRUE(w.透明标签[2]->caption().empty());
    EXPECT_EQ(display::server_address, "") << "no ip.txt, no address";

    // The icons stay reachable over the logo; the title label lies over the logo, the grid under it.
    EXPECT_EQ(w.childAt(12, 12), w.图片框[6]);
    EXPECT_EQ(w.childAt(27, 12), w.图片框[7]);
    EXPECT_EQ(w.childAt(42, 12), w.图片框[8]);
    EXPECT_EQ(w.childAt(445, 150), w.透明标签[1]);
    EXPECT_EQ(w.childAt(445, 450), w.透明标签[2]);
    w.透明标签[1]->setVisible(false);
    EXPECT_EQ(w.childAt(200, 150), w.图片框[5]);
}

TEST(DisplayWindow, LaysOutTheDesignSize)
{
    DisplayHarness h;
    h.start();
    DisplayWindow& w = *h.window;
    EXPECT_EQ(box(w.图片框[1]), QRect(8, 19, 425, 290));
    EXPECT_EQ(box(w.图片框[2]), QRect(440, 19, 425, 290));
    EXPECT_EQ(box(w.图片框[3]), QRect(8, 330, 425, 290));
    EXPECT_EQ(box(w.图片框[4]), QRect(440, 330, 425, 290));
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(box(w.正误[n]), QRect(318, 193, 106, 96)) << n;
    EXPECT_EQ(w.透明标签[1]->size(), QSize(810, 290));
    EXPECT_EQ(w.透明标签[2]->size(), QSize(810, 290));
    EXPECT_EQ(box(w.图片框[5]), QRect(0, 0, 890, 640));
    EXPECT_EQ(box(w.图片框[6]), QRect(8, 8, 10, 10));
    expect_layout_follows(w);
}

TEST(DisplayWindow, TruncatesEveryDivisionTowardZero)
{
    DisplayHarness h;
    h.start();
    DisplayWindow& w = *h.window;

    w.resize(891, 641); // 425.5 and 290.5
    ASSERT_TRUE(wait_until([&] { return w.width() == 891; }));
    EXPECT_EQ(w.图片框[1]->size(), QSize(425, 290));
    expect_layout_follows(w);

    w.resize(892, 640); // pictures 426 wide: marks at 319.5, not rounded up to 320 nor down from 318
    ASSERT_TRUE(wait_until([&] { return w.width() == 892; }));
    EXPECT_EQ(w.图片框[1]->width(), 426);
    EXPECT_EQ(box(w.正误[2]), QRect(319, 193, 106, 96));
    expect_layout_follows(w);

    // Smaller than the layout can fill: sizes computed negative do no harm, and the next size heals.
    w.resize(30, 20);
    ASSERT_TRUE(wait_until([&] { return w.width() == 30; }));
    EXPECT_EQ(w.图片框[1]->size(), QSize(0, 0));
    w.grab();
    w.resize(1200, 800);
    ASSERT_TRUE(wait_until([&] { return w.width() == 1200; }));
    expect_layout_follows(w);
}

TEST(DisplayWindow, MaximiseIconMaximisesAndTheLayoutFollows)
{
    DisplayHarness h;
    h.start();
    DisplayWindow& w = *h.window;
    QTest::mouseDClick(w.图片框[8], Qt::LeftButton);
    ASSERT_TRUE(wait_until([&] { return w.isMaximized(); }));
    ASSERT_TRUE(wait_until([&] { return w.size() != QSize(890, 640); }));
    expect_layout_follows(w);
}

TEST(DisplayWindow, ShowsALogoLeftByAnEarlierRun)
{
    DisplayHarness h;
    const QByteArray logo = handwriting_jpeg(7, Qt::darkGreen, 320, 200);
    ASSERT_TRUE(h.folder.write_file(QStringLiteral("logo.png"), logo));
    h.start();
    EXPECT_EQ(h.window->图片框[5]->picture(), logo);
    EXPECT_FALSE(h.window->图片框[5]->image().isNull());

    // A logo.png that holds no picture leaves the logo blank at the next start.
    DisplayHarness broken;
    ASSERT_TRUE(broken.folder.write_file(QStringLiteral("logo.png"), "not a picture"));
    broken.start();
    EXPECT_TRUE(broken.window->图片框[5]->image().isNull());
}

TEST(ServerAddress, IsReadFromIpTxtUnchanged)
{
    struct Case
    {
        QByteArray file;
        common::GbkText address;
    };
    const Case cases[] = {
        {"192.168.1.20", "192.168.1.20"},
        // Blanks and line ends around the host go, so all three links use one host; inside it they stay.
        {"192.168.1.20\r\n", "192.168.1.20"},
        {" \thost \n\n", "host"},
        {"my host", "my host"},
        {" \r\n", ""},
        {QByteArray("10.0.0.1\0junk", 13), "10.0.0.1"},
        {"10.0.0.2\x1A"
         "rest",
         "10.0.0.2"},
        {"", ""},
    };
    for (const Case& c : cases) {
        DisplayHarness h;
        ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), c.file));
        h.start();
        EXPECT_EQ(display::server_address, c.address) << c.file.toStdString();
    }
}

TEST(ServerAddress, SetServerIconRewritesIpTxtEvenAfterCancel)
{
    {
        DisplayHarness h;
        ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "10.1.1.1"));
        h.start();
        h.dialogs.answer_input_box(std::nullopt);
        QTest::mouseDClick(h.window->图片框[7], Qt::LeftButton);
        ASSERT_EQ(h.dialogs.input_boxes.size(), 1u);
        EXPECT_EQ(h.dialogs.input_boxes[0].title, "请输入服务器IP地址");
        EXPECT_EQ(h.dialogs.input_boxes[0].prompt, "");
        EXPECT_EQ(h.dialogs.input_boxes[0].initial, "10.1.1.1");
        EXPECT_EQ(h.folder.read_file(QStringLiteral("ip.txt")), "10.1.1.1");
        EXPECT_EQ(display::server_address, "10.1.1.1");

        // The file is read afresh, not the stored address: an edit by hand shows in the box.
        ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "10.2.2.2"));
        h.dialogs.answer_input_box(common::GbkText(" 192.168.0.9\r\n"));
        h.window->on_set_server_icon(0, 0, 0);
        EXPECT_EQ(h.dialogs.input_boxes.at(1).initial, "10.2.2.2");
        // The file keeps what was typed; the links get the host alone.
        EXPECT_EQ(h.folder.read_file(QStringLiteral("ip.txt")), " 192.168.0.9\r\n");
        EXPECT_EQ(display::server_address, "192.168.0.9");
    }
    {
        DisplayHarness h;
        h.start();
        h.dialogs.answer_input_box(std::nullopt);
        h.window->on_set_server_icon(0, 0, 0);
        EXPECT_TRUE(h.folder.exists(QStringLiteral("ip.txt")));
        EXPECT_EQ(h.folder.read_file(QStringLiteral("ip.txt")), "");
        EXPECT_EQ(display::server_address, "");
    }
}

// An ip.txt that cannot be written (made immutable, which binds root too) still gives its address;
// the set-server icon then cannot rewrite it, and the new address is used all the same.
TEST(ServerAddress, ReadOnlyIpTxtStillGivesTheAddress)
{
    DisplayHarness h;
    ASSERT_TRUE(h.folder.write_file(QStringLiteral("ip.txt"), "10.3.3.3"));
    const QString file = h.folder.file_path(QStringLiteral("ip.txt"));
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), file}) != 0)
        SKIP_OR_FAIL_UNDER_CI("this file system cannot make a file immutable");
    struct Mutable
    {
        QString file;
        ~Mutable() { QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), file}); }
    } restore{file};
    h.start();
    EXPECT_EQ(display::server_address, "10.3.3.3");
    h.dialogs.answer_input_box(common::GbkText("10.4.4.4"));
    h.window->on_set_server_icon(0, 0, 0);
    EXPECT_EQ(h.dialogs.input_boxes.at(0).initial, "10.3.3.3");
    EXPECT_EQ(display::server_address, "10.4.4.4");
    EXPECT_EQ(h.folder.read_file(QStringLiteral("ip.txt")), "10.3.3.3");
}

} // namespace
