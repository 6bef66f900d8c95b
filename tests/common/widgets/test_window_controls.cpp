#include <gtest/gtest.h>

#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "tests/common/widgets/picture_samples.h"
#include "tests/support/pictures.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

namespace {

// The box as drawn on a white parent.
QImage rendered(QWidget& parent)
{
    return parent.grab().toImage();
}

struct Hall
{
    QWidget window;
    common::PictureBox* box = new common::PictureBox(&window);

    Hall()
    {
        window.resize(300, 200);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, Qt::white);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        box->setGeometry(10, 10, 200, 100);
    }
    QRgb at(int x, int y) { return rendered(window).pixel(x, y); }
};

TEST(PictureBox, ShowsEveryKindStretchedOverTheWholeBox)
{
    const QImage source = samples::quadrants(20, 40);
    const QList<QByteArray> files = {encoded_picture(source, "JPG"), encoded_picture(source, "PNG"),
                                     encoded_picture(source, "BMP"), samples::gif(source)};
    for (const QByteArray& file : files) {
        SCOPED_TRACE(file.left(4).toHex().toStdString());
        Hall hall;
        hall.box->set_picture(file);
        const QImage shot = rendered(hall.window);
        // Box at (10,10) 200 x 100: each quadrant of the picture fills a quarter of the box.
        EXPECT_TRUE(samples::near(shot.pixel(12, 12), qRgb(255, 0, 0)));
        EXPECT_TRUE(samples::near(shot.pixel(207, 12), qRgb(0, 255, 0)));
        EXPECT_TRUE(samples::near(shot.pixel(12, 107), qRgb(0, 0, 255)));
        EXPECT_TRUE(samples::near(shot.pixel(207, 107), qRgb(255, 255, 0)));
        EXPECT_TRUE(samples::near(shot.pixel(60, 30), qRgb(255, 0, 0)));
        // Outside the box the window stays white.
        EXPECT_EQ(shot.pixel(250, 150), qRgb(255, 255, 255));
        EXPECT_EQ(shot.pixel(5, 5), qRgb(255, 255, 255));
    }
}

TEST(PictureBox, GarbageEmptyAndCutDataLeaveItBlank)
{
    Hall hall;
    hall.box->set_picture(QByteArray("not a picture at all"));
    EXPECT_EQ(hall.at(100, 50), qRgb(255, 255, 255));
    EXPECT_EQ(hall.box->picture(), QByteArray("not a picture at all"));

    const QByteArray jpeg = encoded_picture(samples::quadrants(20, 20), "JPG");
    hall.box->set_picture(jpeg);
    EXPECT_TRUE(samples::near(hall.at(12, 12), qRgb(255, 0, 0)));
    hall.box->set_picture({});
    EXPECT_EQ(hall.at(12, 12), qRgb(255, 255, 255));
    EXPECT_TRUE(hall.box->picture().isEmpty());

    hall.box->set_picture(jpeg.left(jpeg.size() / 2));
    EXPECT_EQ(hall.at(12, 12), qRgb(255, 255, 255));
}

TEST(PictureBox, KeepsItsOwnCopyAndFollowsResize)
{
    Hall hall;
    QByteArray png = encoded_picture(samples::quadrants(10, 10), "PNG");
    hall.box->set_picture(png);
    png.fill('\0');
    EXPECT_NE(hall.box->picture(), png);
    hall.box->resize(280, 180);
    EXPECT_TRUE(samples::near(hall.at(285, 185), qRgb(255, 255, 0)));
    EXPECT_TRUE(samples::near(hall.at(12, 185), qRgb(0, 0, 255)));
}

TEST(PictureBox, DoubleClickReportsPlaceAndKeys)
{
    Hall hall;
    hall.window.show();
    QSignalSpy spy(hall.box, &common::PictureBox::doubleClicked);
    QTest::mouseDClick(hall.box, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(30, 40));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 30);
    EXPECT_EQ(spy[0][1].toInt(), 40);
    EXPECT_EQ(spy[0][2].toInt(), 1 | 4);
    QTest::mouseDClick(hall.box, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(spy.count(), 1);
    QTest::mouseDClick(hall.box, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[1][2].toInt(), 2);
}

int differing_pixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

TEST(TransLabel, DrawsOnlyItsTextOverThePictureBehind)
{
    Hall hall;
    hall.box->set_picture(encoded_picture(samples::quadrants(10, 10), "PNG"));
    const QImage behind = rendered(hall.window);
    auto* label = new common::TransLabel(&hall.window);
    label->setGeometry(10, 10, 200, 100);
    label->set_caption("答对了");
    label->set_font_size(36);
    label->set_text_color(Qt::white);
    label->set_alignment(Qt::AlignCenter);
    EXPECT_EQ(label->font_size(), 36);
    EXPECT_EQ(label->caption(), "答对了");

    const QImage shot = rendered(hall.window);
    // The corners still show the picture behind the label; the centre holds white text pixels.
    EXPECT_EQ(shot.pixel(12, 12), behind.pixel(12, 12));
    EXPECT_EQ(shot.pixel(207, 107), behind.pixel(207, 107));
    EXPECT_GT(differing_pixels(shot.copy(60, 35, 100, 50), behind.copy(60, 35, 100, 50)), 100);
    int white = 0;
    for (int y = 35; y < 85; ++y)
        for (int x = 60; x < 160; ++x)
            white += shot.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
    EXPECT_GT(white, 50);

    // Left-aligned small text leaves the right half untouched.
    label->set_font_size(9);
    label->set_alignment(Qt::AlignLeft | Qt::AlignTop);
    const QImage left = rendered(hall.window);
    EXPECT_GT(differing_pixels(left.copy(10, 10, 100, 30), behind.copy(10, 10, 100, 30)), 0);
    EXPECT_EQ(differing_pixels(left.copy(110, 40, 100, 70), behind.copy(110, 40, 100, 70)), 0);

    label->set_caption("");
    EXPECT_EQ(differing_pixels(rendered(hall.window), behind), 0);
}

TEST(Controls, CaptionsOfEveryKind)
{
    QWidget window;
    common::set_caption(&window, "汉字听写大赛");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("汉字听写大赛"));
    EXPECT_EQ(common::caption(&window), "汉字听写大赛");

    QLabel label;
    QGroupBox group;
    QPushButton button;
    common::TransLabel trans;
    for (QWidget* control : std::initializer_list<QWidget*>{&label, &group, &button, &trans}) {
        common::set_caption(control, "第1轮");
        EXPECT_EQ(common::caption(control), "第1轮");
    }
    EXPECT_EQ(label.text(), QStringLiteral("第1轮"));
    EXPECT_EQ(group.title(), QStringLiteral("第1轮"));
    EXPECT_EQ(button.text(), QStringLiteral("第1轮"));
}

TEST(Controls, EditsGiveBackTheirLineEndsAsSetOrTyped)
{
    QPlainTextEdit box;
    common::set_content(&box, "第一行\r\n第二行\r\n");
    EXPECT_EQ(box.toPlainText(), QStringLiteral("第一行\n第二行\n"));
    EXPECT_EQ(common::content(&box), "第一行\r\n第二行\r\n");
    // A lone LF or CR breaks no line and comes back as it was.
    for (const char* text : {"甲\n乙\r丙", "\r\r\n\n", "\n\r", "末\r"}) {
        common::set_content(&box, text);
        EXPECT_EQ(box.document()->blockCount(), 1 + QByteArray(text).count("\r\n")) << text;
        EXPECT_EQ(common::content(&box), text);
    }
    // The operator's Enter, with or without Shift, is CR LF.
    common::set_content(&box, "甲\n乙");
    box.moveCursor(QTextCursor::End);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, "x");
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(common::content(&box), "甲\n乙\r\nx\r\n");

    QLineEdit line;
    for (const char* text : {"19730", "甲\r乙\n丙\r\n"}) {
        common::set_content(&line, text);
        EXPECT_EQ(common::content(&line), text);
    }
    QLabel not_an_edit;
    EXPECT_EQ(common::content(&not_an_edit), "");
}

// Every code of code page 936: the euro sign and every two-byte code, the user-defined areas too.
TEST(Controls, EveryCodeOfTheCodePageComesBackByteForByte)
{
    common::GbkText every = "\x80";
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail != 0x7F)
                every += {static_cast<char>(lead), static_cast<char>(trail)};
        }
    }
    ASSERT_EQ(every.size(), 1u + 126 * 190 * 2);

    QListWidget list;
    common::list_box_add_item(&list, every);
    EXPECT_TRUE(common::list_box_item_text(&list, 0) == every);
    QPlainTextEdit box;
    QLineEdit line;
    for (QWidget* edit : std::initializer_list<QWidget*>{&box, &line}) {
        common::set_content(edit, every);
        EXPECT_TRUE(common::content(edit) == every) << edit->metaObject()->className();
    }
    QLabel label;
    common::set_caption(&label, every);
    EXPECT_TRUE(common::caption(&label) == every);
    // Each code is one character, none of them a substitute.
    EXPECT_EQ(label.text().size(), 1 + 126 * 190);
    EXPECT_FALSE(label.text().contains(QChar::ReplacementCharacter));
    // The two pinyin letters that the table keeps among private-use characters show as letters.
    common::set_caption(&label, "\xA8\xBC\xA8\xBF");
    EXPECT_EQ(label.text(), QStringLiteral("\u1E3F\u01F9"));
}

TEST(Controls, ComboAndListSelectionRules)
{
    QComboBox combo;
    EXPECT_EQ(common::combo_box_add_item(&combo, "一年级"), 0);
    EXPECT_EQ(common::combo_box_add_item(&combo, "二年级"), 1);
    EXPECT_EQ(common::combo_box_add_item(&combo, "三年级"), 2);
    common::set_current_selection(&combo, 1);
    EXPECT_EQ(common::current_selection(&combo), 1);
    common::set_current_selection(&combo, 99);
    EXPECT_EQ(common::current_selection(&combo), 2);
    common::set_current_selection(&combo, -5);
    EXPECT_EQ(common::current_selection(&combo), -1);
    common::set_current_selection(&combo, 0);
    EXPECT_EQ(common::current_selection(&combo), 0);

    QListWidget list;
    EXPECT_EQ(common::list_box_add_item(&list, "苹果"), 0);
    EXPECT_EQ(common::list_box_add_item(&list, "香蕉"), 1);
    EXPECT_EQ(common::list_box_item_text(&list, 1), "香蕉");
    EXPECT_EQ(common::list_box_item_text(&list, 2), "");
    EXPECT_EQ(common::list_box_item_text(&list, -1), "");
    common::set_current_selection(&list, 1);
    EXPECT_EQ(common::current_selection(&list), 1);
    common::set_current_selection(&list, 7);
    EXPECT_EQ(common::current_selection(&list), -1);
    EXPECT_TRUE(list.selectedItems().isEmpty());
    common::list_box_clear(&list);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(common::list_box_item_text(&list, 0), "");
}

TEST(Controls, ReportListCells)
{
    QTreeWidget view;
    view.setColumnCount(3);
    EXPECT_EQ(common::list_view_insert_item(&view), 0);
    EXPECT_EQ(common::list_view_insert_item(&view), 1);
    EXPECT_TRUE(common::list_view_set_item_text(&view, 1, 2, "192.168.1.5:50321"));
    EXPECT_EQ(common::list_view_get_item_text(&view, 1, 2), "192.168.1.5:50321");
    EXPECT_EQ(view.topLevelItem(1)->text(2), QStringLiteral("192.168.1.5:50321"));
    EXPECT_EQ(common::list_view_get_item_text(&view, 1, 0), "");
    EXPECT_EQ(common::list_view_get_item_text(&view, 5, 0), "");
    EXPECT_EQ(common::list_view_get_item_text(&view, 0, 3), "");
    EXPECT_FALSE(common::list_view_set_item_text(&view, 2, 0, "x"));
    EXPECT_FALSE(common::list_view_set_item_text(&view, 0, 3, "x"));
}

} // namespace
