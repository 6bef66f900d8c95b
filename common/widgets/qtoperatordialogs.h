#pragma once

#include <vector>

#include "common/text/gbktext.h"
#include "common/widgets/operatordialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

// The operator dialogs on Qt's QMessageBox, QInputDialog and QFileDialog. Each runs a nested event
// loop, so other handlers run while the operator decides. The parent window is not owned.
namespace common {

class QtOperatorDialogs final : public OperatorDialogs
{
public:
    explicit QtOperatorDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    int message_box(const GbkText& text, int flags, const GbkText& title = "信息：") override;
    bool input_box(const GbkText& prompt, const GbkText& title, const GbkText& initial, GbkText& variable) override;
    bool common_dialog_show(FileDialogRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

// The buttons of a message box's flags, left to right, as results; unknown button codes give OK only.
std::vector<MessageBoxResult> message_box_buttons(int flags);
// The 0-based index into message_box_buttons of the default button.
int message_box_default_button(int flags);
// The result when the box is closed without a button: Cancel where there is one, else the last button.
MessageBoxResult message_box_close_result(int flags);
QMessageBox::Icon message_box_icon(int flags);

// Converts a Windows-style filter ("图片|*.jpg;*.png|所有文件|*.*") to Qt's
// ("图片 (*.jpg *.png);;所有文件 (*)"); "*.*" means every file.
QString qt_file_filter(const GbkText& filter);

} // namespace common
