#include <functional>

#include <gtest/gtest.h>

#include "common/widgets/qtoperatordialogs.h"
#include "common/widgets/trayicon.h"
#include "tests/common/widgets/picture_samples.h"
#include "tests/support/pictures.h"
#include "tests/support/scripted_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

using namespace common;

// Runs answer on the modal dialog once it is up; gives up after a few seconds.
void when_dialog_shows(std::function<void(QWidget*)> answer)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr && ++*tries < 200)
            return;
        poll->stop();
        poll->deleteLater();
        if (dialog != nullptr)
            answer(dialog);
    });
    poll->start(20);
}

TEST(MessageBoxFlags, ButtonsIconsAndDefaults)
{
    EXPECT_EQ(message_box_buttons(0x44), (std::vector<MessageBoxResult>{ResultYes, ResultNo}));
    EXPECT_EQ(message_box_icon(0x44), QMessageBox::Information);
    EXPECT_EQ(message_box_buttons(0x0), (std::vector<MessageBoxResult>{ResultOk}));
    EXPECT_EQ(message_box_buttons(0x1), (std::vector<MessageBoxResult>{ResultOk, ResultCancel}));
    EXPECT_EQ(message_box_buttons(0x2), (std::vector<MessageBoxResult>{ResultAbort, ResultRetry, ResultIgnore}));
    EXPECT_EQ(message_box_buttons(0x3), (std::vector<MessageBoxResult>{ResultYes, ResultNo, ResultCancel}));
    EXPECT_EQ(message_box_buttons(0x5), (std::vector<MessageBoxResult>{ResultRetry, ResultCancel}));
    EXPECT_EQ(message_box_buttons(0x9), (std::vector<MessageBoxResult>{ResultOk}));
    EXPECT_EQ(message_box_icon(0x30), QMessageBox::Warning);
    EXPECT_EQ(message_box_icon(0x20), QMessageBox::Question);
    EXPECT_EQ(message_box_icon(0x10), QMessageBox::Critical);
    EXPECT_EQ(message_box_icon(0x4), QMessageBox::NoIcon);
    EXPECT_EQ(message_box_default_button(0x44), 0);
    EXPECT_EQ(message_box_default_button(0x144), 1);
    EXPECT_EQ(message_box_default_button(0x203), 2);
    // A third default on two buttons falls back to the first.
    EXPECT_EQ(message_box_default_button(0x204), 0);
    EXPECT_EQ(message_box_close_result(0x3), ResultCancel);
    EXPECT_EQ(message_box_close_result(0x44), ResultNo);
    EXPECT_EQ(message_box_close_result(0x0), ResultOk);
}

TEST(FileFilter, WindowsFilterBecomesQtFilter)
{
    EXPECT_EQ(qt_file_filter("图片文件|*.jpg;*.png|所有文件|*.*"),
              QStringLiteral("图片文件 (*.jpg *.png);;所有文件 (*)"));
    EXPECT_EQ(qt_file_filter("文本|*.txt"), QStringLiteral("文本 (*.txt)"));
    // A description without patterns is dropped.
    EXPECT_EQ(qt_file_filter("文本|*.txt|孤单"), QStringLiteral("文本 (*.txt)"));
    EXPECT_EQ(qt_file_filter(""), QString());
}

TEST(QtDialogs, MessageBoxGivesThePressedButton)
{
    QtOperatorDialogs dialogs;
    QString shown_text, shown_title;
    when_dialog_shows([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        shown_text = box->text();
        shown_title = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(dialogs.message_box("确定要退出吗？", 0x44), ResultNo);
    EXPECT_EQ(shown_text, QStringLiteral("确定要退出吗？"));
    EXPECT_EQ(shown_title, QStringLiteral("信息："));

    when_dialog_shows([](QWidget* dialog) { qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Retry)->click(); });
    EXPECT_EQ(dialogs.message_box("重试？", 0x2, "标题"), ResultRetry);

    when_dialog_shows([](QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(dialogs.message_box("关闭", 0x3), ResultCancel);
}

TEST(QtDialogs, InputBoxStoresOnlyOnOk)
{
    QtOperatorDialogs dialogs;
    GbkText variable = "旧值";
    when_dialog_shows([](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->labelText(), QStringLiteral("请输入题目："));
        EXPECT_EQ(input->textValue(), QStringLiteral("初始"));
        input->setTextValue(QStringLiteral("春眠不觉晓"));
        input->accept();
    });
    EXPECT_TRUE(dialogs.input_box("请输入题目：", "输入", "初始", variable));
    EXPECT_EQ(variable, "春眠不觉晓");

    when_dialog_shows([](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        input->setTextValue(QStringLiteral("不要"));
        input->reject();
    });
    EXPECT_FALSE(dialogs.input_box("请输入：", "输入", "", variable));
    EXPECT_EQ(variable, "春眠不觉晓");
}

// Texts from files and peers show as typed: markup in them is not obeyed.
TEST(QtDialogs, MarkupInTextsShowsLiterally)
{
    QtOperatorDialogs dialogs;
    Qt::TextFormat message_format = Qt::RichText;
    when_dialog_shows([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        message_format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(dialogs.message_box("<b>5</b>", 0x0), ResultOk);
    EXPECT_EQ(message_format, Qt::PlainText);

    QStringList prompts;
    when_dialog_shows([&](QWidget* dialog) {
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->textFormat() == Qt::PlainText)
                prompts << label->text();
        }
        qobject_cast<QInputDialog*>(dialog)->accept();
    });
    GbkText variable;
    EXPECT_TRUE(dialogs.input_box("<i>题目</i>", "输入", "<b>5", variable));
    EXPECT_EQ(prompts, QStringList{QStringLiteral("<i>题目</i>")});
    EXPECT_EQ(variable, "<b>5");
}

TEST(QtDialogs, FileDialogGivesTheChosenName)
{
    QtOperatorDialogs dialogs;
    FileDialogRequest request;
    request.filter = "图片|*.jpg;*.png";
    request.file_name = "/tmp/logo.jpg";
    when_dialog_shows([](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->nameFilters(), QStringList{QStringLiteral("图片 (*.jpg *.png)")});
        EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFile);
        files->reject();
    });
    EXPECT_FALSE(dialogs.common_dialog_show(request));
    EXPECT_EQ(request.file_name, "/tmp/logo.jpg");
}

TEST(ScriptedDialogs, AnswersInOrderAndRecords)
{
    ScriptedDialogs dialogs;
    OperatorDialogs& asked = dialogs;
    dialogs.answer_message_box(ResultYes);
    dialogs.answer_input_box(std::nullopt);
    dialogs.answer_file_dialog(GbkText("/srv/logo.jpg"));
    EXPECT_EQ(asked.message_box("退出？", 0x44), ResultYes);
    GbkText variable = "不变";
    EXPECT_FALSE(asked.input_box("提示", "标题", "", variable));
    EXPECT_EQ(variable, "不变");
    FileDialogRequest request;
    EXPECT_TRUE(asked.common_dialog_show(request));
    EXPECT_EQ(request.file_name, "/srv/logo.jpg");
    ASSERT_EQ(dialogs.message_boxes.size(), 1u);
    EXPECT_EQ(dialogs.message_boxes[0].title, "信息：");
    EXPECT_EQ(dialogs.unused_answers(), 0u);
}

TEST(TrayIcon, WithoutANotificationAreaNothingHappens)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has no tray";
    QWidget window;
    TrayIcon* tray = tray_icon_of(&window);
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray_icon_of(&window), tray);
    set_tray_icon(&window, encoded_picture(samples::quadrants(16, 16), "ICO"), "汉字听写");
    EXPECT_FALSE(tray->shown());
    set_tray_icon(&window, {});
    EXPECT_FALSE(tray->shown());
    EXPECT_EQ(TrayIcon::tray_action(QSystemTrayIcon::Trigger), 1);
    EXPECT_EQ(TrayIcon::tray_action(QSystemTrayIcon::DoubleClick), 2);
    EXPECT_EQ(TrayIcon::tray_action(QSystemTrayIcon::Context), 3);
}

} // namespace
