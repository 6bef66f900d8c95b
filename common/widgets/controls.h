#pragma once

#include "common/text/gbktext.h"

class QComboBox;
class QListWidget;
class QTreeWidget;
class QWidget;

// Reading and writing the texts and selections of window controls as GBK texts.
namespace common {

// Appends an item; gives its 0-based index, -1 on failure.
int combo_box_add_item(QComboBox* box, const GbkText& item);
int list_box_add_item(QListWidget* box, const GbkText& item);
void list_box_clear(QListWidget* box);
// The text of the 0-based item; empty when out of range.
GbkText list_box_item_text(QListWidget* box, int index);

// Report list: appends an empty row, gives its 0-based index (-1 on failure).
int list_view_insert_item(QTreeWidget* list);
// Sets a cell (0-based row and column); false when the cell does not exist.
bool list_view_set_item_text(QTreeWidget* list, int row, int column, const GbkText& text);
// An empty or missing cell reads as the empty text.
GbkText list_view_get_item_text(QTreeWidget* list, int row, int column);

// The text shown by a window (its title), QLabel, QGroupBox, QAbstractButton or TransLabel.
GbkText caption(const QWidget* control);
void set_caption(QWidget* control, const GbkText& text);

// The whole text of a QLineEdit or QPlainTextEdit, exactly as it was set or typed. A multi-line box
// shows each CR LF as a line break; a lone CR or LF stays inside its line.
GbkText content(const QWidget* edit);
void set_content(QWidget* edit, const GbkText& text);

// 0-based selection of a QComboBox or QListWidget, -1 for none. A combo box write above its last
// index selects the last item, below -1 gives -1; a list box write out of range selects nothing.
int current_selection(const QWidget* box);
void set_current_selection(QWidget* box, int index);

} // namespace common
