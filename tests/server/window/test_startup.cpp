#include "common/text/gbkcodec.h"
#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "resources/builtin.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/waits.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

class Startup : public ServerFixture
{
};

TEST_F(Startup, UserListCategoriesAndTermsAreFilled)
{
    ASSERT_EQ(window->超级列表框1->topLevelItemCount(), 11);
    const char* names[] = {"1号机", "2号机", "3号机",  "4号机", "5号机", "6号机",
                           "7号机", "8号机", "显示屏", "考官",  "评委"};
    for (int row = 0; row < 11; ++row) {
        EXPECT_EQ(common::list_view_get_item_text(window->超级列表框1, row, 0), names[row]);
        EXPECT_EQ(status_of(row), "离线");
        EXPECT_EQ(address_of(row), "0.0.0.0");
    }
    ASSERT_EQ(window->组合框[1]->count(), 6);
    EXPECT_EQ(common::from_qstring(window->组合框[1]->itemText(4)), "课内");
    ASSERT_EQ(window->组合框[2]->count(), 12);
    EXPECT_EQ(common::from_qstring(window->组合框[2]->itemText(11)), "六年级下册");
    EXPECT_FALSE(window->组合框[2]->isEnabled());
    EXPECT_EQ(window->组合框[1]->currentIndex(), -1);
    EXPECT_EQ(window->组合框[2]->currentIndex(), -1);
}

TEST_F(Startup, ControlsCarryTheirNamesCaptionsAndStates)
{
    EXPECT_EQ(common::caption(window.get()), "Oruvan——汉字听写大会专用程序服务端 V20171218");
    for (int n = 1; n <= 8; ++n) {
        EXPECT_FALSE(window->正误[n]->isVisibleTo(window.get())) << n;
        EXPECT_EQ(window->图片框[n]->picture(), resources::tile_waiting_picture());
        EXPECT_EQ(window->图片框[n]->size(), QSize(264, 170));
    }
    EXPECT_FALSE(window->分组框[4]->isVisibleTo(window.get()));
    EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("按钮2")), window->按钮[2]);
    EXPECT_EQ(common::caption(window->按钮[2]), "发送题目");
    EXPECT_TRUE(window->按钮[2]->font().bold());
    EXPECT_EQ(common::content(window->编辑框[7]), "蝙蝠");
    EXPECT_EQ(common::content(window->编辑框[2]), "30");
    EXPECT_EQ(common::content(window->编辑框[4]), "400");
    EXPECT_EQ(common::current_selection(window->组合框[3]), 1);
    EXPECT_EQ(common::caption(window->标签[2]), "00");
    // The prepared fields lie over the sent ones: the operator sees and edits those.
    EXPECT_EQ(window->编辑框[6]->geometry(), window->编辑框[1]->geometry());
    QWidget* top = window->分组框[1]->childAt(window->编辑框[6]->geometry().center());
    EXPECT_TRUE(top == window->编辑框[6] || window->编辑框[6]->isAncestorOf(top));
    top = window->分组框[1]->childAt(window->组合框[3]->geometry().center());
    EXPECT_TRUE(top == window->组合框[3] || window->组合框[3]->isAncestorOf(top));
}

TEST_F(Startup, TrayDoubleClickShowsTheWindowOtherClicksDoNothing)
{
    window->hide();
    window->on_notify_icon_event(1);
    window->on_notify_icon_event(3);
    EXPECT_FALSE(window->isVisible());
    window->on_notify_icon_event(2);
    EXPECT_TRUE(window->isVisible());
}

namespace {

QColor mean_colour(const QImage& image, const QRect& rect)
{
    qint64 red = 0, green = 0, blue = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red();
            green += c.green();
            blue += c.blue();
        }
    const qint64 n = qMax<qint64>(1, qint64(rect.width()) * rect.height());
    return QColor(int(red / n), int(green / n), int(blue / n));
}

int distinct_colours(const QImage& image, const QRect& rect)
{
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

} // namespace

// The picture kept for the README shows the window as drawn: a machine's tile shows the waiting
// picture, and a button its caption.
TEST_F(Startup, ScreenshotOfTheOperatorWindow)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), window->size());
    EXPECT_GT(distinct_colours(shot, shot.rect()), 50) << "a blank window";

    const QWidget* tile = window->图片框[1];
    const QRect tile_rect(tile->mapTo(window.get(), QPoint(0, 0)), tile->size());
    const QImage waiting = QImage::fromData(resources::tile_waiting_picture())
                               .scaled(tile->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32);
    const QColor shown = mean_colour(shot, tile_rect);
    const QColor expected = mean_colour(waiting, waiting.rect());
    EXPECT_NEAR(shown.red(), expected.red(), 12);
    EXPECT_NEAR(shown.green(), expected.green(), 12);
    EXPECT_NEAR(shown.blue(), expected.blue(), 12);

    const QWidget* send = window->按钮[2];
    const QRect send_rect(send->mapTo(window.get(), QPoint(0, 0)), send->size());
    EXPECT_GT(distinct_colours(shot, send_rect), 4) << "a button without its caption";

    const QString dir = qEnvironmentVariable("ORUVAN_BUILD_DIR", QDir::tempPath()) + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/server-start.png"));
}

class Quit : public ServerFixture
{
};

TEST_F(Quit, AnsweringNoChangesNothing)
{
    FakeClient& machine = login("2");
    dialogs.answer_message_box(common::ResultNo);
    EXPECT_FALSE(window->on_query_close());
    ASSERT_EQ(dialogs.message_boxes.size(), 1u);
    EXPECT_EQ(dialogs.message_boxes[0].text, "是否退出【Oruvan】服务器？");
    EXPECT_EQ(dialogs.message_boxes[0].flags, 0x44);
    EXPECT_EQ(dialogs.message_boxes[0].title, "信息：");
    settle_ms(200, "a quit would have sent the machine away");
    EXPECT_TRUE(machine.is_connected());
    EXPECT_TRUE(machine.received().isEmpty());
    EXPECT_EQ(status_of(1), "在线");
}
