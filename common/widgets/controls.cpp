#include "common/widgets/controls.h"

#include "common/text/gbkcodec.h"
#include "common/widgets/translabel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace common {

namespace {

// A caption is often typed or received: "<b>5" must show as those four characters, not as markup.
void set_plain_text(QLabel* label, const GbkText& text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(to_qstring(text));
}

// A multi-line box breaks its lines at CR LF only, as the operator's Enter writes them. It would
// break at a lone CR or LF too and give it back as CR LF, so those show as these marks inside the
// line instead; neither mark is a GBK character, so none can come from a text that was set.
constexpr char16_t kLoneCrMark = 0x21B5;
constexpr char16_t kLoneLfMark = 0x21B4;

QString to_shown_lines(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            shown += u'\n';
            ++i;
        } else if (c == u'\r') {
            shown += QChar(kLoneCrMark);
        } else if (c == u'\n') {
            shown += QChar(kLoneLfMark);
        } else {
            shown += c;
        }
    }
    return shown;
}

// Every line break of the box (Enter, Shift+Enter) is CR LF.
QString from_shown_lines(QString shown)
{
    shown.replace(u'\n', QStringLiteral("\r\n"));
    shown.replace(QChar(kLoneCrMark), u'\r');
    shown.replace(QChar(kLoneLfMark), u'\n');
    return shown;
}

} // namespace

int combo_box_add_item(QComboBox* box, const GbkText& item)
{
    if (box == nullptr)
        return -1;
    box->addItem(to_qstring(item));
    return box->count() - 1;
}

int list_box_add_item(QListWidget* box, const GbkText& item)
{
    if (box == nullptr)
        return -1;
    box->addItem(to_qstring(item));
    return box->count() - 1;
}

void list_box_clear(QListWidget* box)
{
    if (box != nullptr)
        box->clear();
}

GbkText list_box_item_text(QListWidget* box, int index)
{
    if (box == nullptr || index < 0 || index >= box->count())
        return {};
    return from_qstring(box->item(index)->text());
}

int list_view_insert_item(QTreeWidget* list)
{
    if (list == nullptr)
        return -1;
    list->addTopLevelItem(new QTreeWidgetItem());
    return list->topLevelItemCount() - 1;
}

bool list_view_set_item_text(QTreeWidget* list, int row, int column, const GbkText& text)
{
    if (list == nullptr || column < 0 || column >= list->columnCount())
        return false;
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (item == nullptr)
        return false;
    item->setText(column, to_qstring(text));
    return true;
}

GbkText list_view_get_item_text(QTreeWidget* list, int row, int column)
{
    if (list == nullptr || column < 0 || column >= list->columnCount())
        return {};
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item == nullptr ? GbkText() : from_qstring(item->text(column));
}

GbkText caption(const QWidget* control)
{
    if (control == nullptr)
        return {};
    if (const auto* label = qobject_cast<const TransLabel*>(control))
        return label->caption();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return from_qstring(label->text());
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return from_qstring(group->title());
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return from_qstring(button->text());
    return from_qstring(control->windowTitle());
}

void set_caption(QWidget* control, const GbkText& text)
{
    if (control == nullptr)
        return;
    if (auto* label = qobject_cast<TransLabel*>(control))
        label->set_caption(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        set_plain_text(label, text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(to_qstring(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(to_qstring(text));
    else
        control->setWindowTitle(to_qstring(text));
}

GbkText content(const QWidget* edit)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(edit))
        return from_qstring(line->text());
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(edit))
        return from_qstring(from_shown_lines(box->toPlainText()));
    return {};
}

void set_content(QWidget* edit, const GbkText& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        line->setText(to_qstring(text));
    else if (auto* box = qobject_cast<QPlainTextEdit*>(edit))
        box->setPlainText(to_shown_lines(to_qstring(text)));
}

int current_selection(const QWidget* box)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(box))
        return combo->currentIndex();
    if (const auto* list = qobject_cast<const QListWidget*>(box))
        return list->currentRow();
    return -1;
}

void set_current_selection(QWidget* box, int index)
{
    if (auto* combo = qobject_cast<QComboBox*>(box)) {
        if (index >= combo->count())
            index = combo->count() - 1;
        combo->setCurrentIndex(index < 0 ? -1 : index);
    } else if (auto* list = qobject_cast<QListWidget*>(box)) {
        if (index < 0 || index >= list->count()) {
            list->setCurrentRow(-1);
            list->clearSelection();
        } else {
            list->setCurrentRow(index);
        }
    }
}

} // namespace common
