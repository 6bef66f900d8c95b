#include "common/widgets/qtoperatordialogs.h"

#include "common/text/gbkcodec.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace common {
namespace {

QMessageBox::StandardButton qt_button(MessageBoxResult result)
{
    switch (result) {
    case ResultOk:
        return QMessageBox::Ok;
    case ResultCancel:
        return QMessageBox::Cancel;
    case ResultAbort:
        return QMessageBox::Abort;
    case ResultRetry:
        return QMessageBox::Retry;
    case ResultIgnore:
        return QMessageBox::Ignore;
    case ResultYes:
        return QMessageBox::Yes;
    case ResultNo:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

} // namespace

std::vector<MessageBoxResult> message_box_buttons(int flags)
{
    switch (flags & 0xF) {
    case MessageBoxFlags::OkCancel:
        return {ResultOk, ResultCancel};
    case MessageBoxFlags::AbortRetryIgnore:
        return {ResultAbort, ResultRetry, ResultIgnore};
    case MessageBoxFlags::YesNoCancel:
        return {ResultYes, ResultNo, ResultCancel};
    case MessageBoxFlags::YesNo:
        return {ResultYes, ResultNo};
    case MessageBoxFlags::RetryCancel:
        return {ResultRetry, ResultCancel};
    default:
        return {ResultOk};
    }
}

int message_box_default_button(int flags)
{
    const int wanted = (flags & 0xF00) >> 8;
    const int count = static_cast<int>(message_box_buttons(flags).size());
    return wanted < count ? wanted : 0;
}

MessageBoxResult message_box_close_result(int flags)
{
    const std::vector<MessageBoxResult> buttons = message_box_buttons(flags);
    for (MessageBoxResult button : buttons) {
        if (button == ResultCancel)
            return ResultCancel;
    }
    return buttons.back();
}

QMessageBox::Icon message_box_icon(int flags)
{
    switch (flags & 0xF0) {
    case MessageBoxFlags::IconCritical:
        return QMessageBox::Critical;
    case MessageBoxFlags::IconQuestion:
        return QMessageBox::Question;
    case MessageBoxFlags::IconWarning:
        return QMessageBox::Warning;
    case MessageBoxFlags::IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString qt_file_filter(const GbkText& filter)
{
    const QStringList parts = to_qstring(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            // On Windows "*.*" matches names without a dot too.
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty())
            continue;
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

int QtOperatorDialogs::message_box(const GbkText& text, int flags, const GbkText& title)
{
    QMessageBox box(message_box_icon(flags), to_qstring(title), to_qstring(text), QMessageBox::NoButton, m_parent);
    // The text may come from a file or a peer: shown as it is, never read as markup.
    box.setTextFormat(Qt::PlainText);
    const std::vector<MessageBoxResult> buttons = message_box_buttons(flags);
    std::vector<QPushButton*> shown;
    for (MessageBoxResult result : buttons)
        shown.push_back(box.addButton(qt_button(result)));
    box.setDefaultButton(shown[message_box_default_button(flags)]);
    box.exec();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (box.clickedButton() == shown[i])
            return buttons[i];
    }
    return message_box_close_result(flags);
}

bool QtOperatorDialogs::input_box(const GbkText& prompt, const GbkText& title, const GbkText& initial,
                                  GbkText& variable)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(to_qstring(title));
    dialog.setLabelText(to_qstring(prompt));
    dialog.setTextValue(to_qstring(initial));
    // The prompt is shown as it is, never read as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    variable = from_qstring(dialog.textValue());
    return true;
}

bool QtOperatorDialogs::common_dialog_show(FileDialogRequest& request)
{
    QFileDialog dialog(m_parent, to_qstring(request.title));
    const bool save = request.dialog_type == FileDialogType::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.file_must_exist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString filter = qt_file_filter(request.filter);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    if (!request.file_name.empty())
        dialog.selectFile(to_qstring(request.file_name));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    request.file_name = from_qstring(chosen.first());
    return true;
}

} // namespace common
