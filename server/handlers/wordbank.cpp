#include "common/events/wait.h"
#include "common/text/files.h"
#include "common/widgets/controls.h"
#include "server/builder/onlinedictionary.h"
#include "server/builder/questionbuilder.h"
#include "server/builder/wordbanks.h"
#include "server/window/serverwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>

namespace server {

namespace {

// A bank is read whole. It is opened for reading and writing, so a read-only bank or one that
// another program holds alone gives no lines, and no message.
GbkText read_word_bank(WordBankCategory category)
{
    return common::read_whole_text(word_bank_file(category));
}

// Handles pending events between the lines of a fill, so that the window stays responsive and
// other handlers, a nested pick included, run while it fills. Each handling lays out and paints
// the whole list again, so it comes once per time slice rather than after every line: after each
// of 100,000 lines it would take minutes. A monotonic 64-bit clock keeps the pacing right however
// long the server has been running.
class FillPacer final
{
public:
    FillPacer() { m_since_events.start(); }

    void after_line()
    {
        if (m_since_events.elapsed() < kSliceMs)
            return;
        common::process_pending_events();
        m_since_events.start();
    }

private:
    static constexpr qint64 kSliceMs = 10;
    QElapsedTimer m_since_events;
};

} // namespace

void ServerWindow::on_category_picked()
{
    common::list_box_clear(列表框1);

    GbkText text;
    const int category = common::current_selection(组合框[1]);
    if (category >= 0 && category < static_cast<int>(kWordBankCategories.size())) {
        const auto picked = static_cast<WordBankCategory>(category);
        text = read_word_bank(picked);
        组合框[2]->setEnabled(picked == WordBankCategory::School);
        选择框[4]->setChecked(picked == WordBankCategory::School || picked == WordBankCategory::Own);
    }

    FillPacer pacer;
    for (const GbkText& line : bank_lines(text)) {
        common::list_box_add_item(列表框1, line);
        pacer.after_line();
    }
}

void ServerWindow::on_grade_picked()
{
    common::list_box_clear(列表框1);

    const int wanted_term = common::current_selection(组合框[2]) + 1;
    FillPacer pacer;
    for (const GbkText& line : bank_lines(read_word_bank(WordBankCategory::School))) {
        if (school_term(line) == wanted_term)
            common::list_box_add_item(列表框1, line);
        pacer.after_line();
    }
}

void ServerWindow::on_word_picked()
{
    const int row = common::current_selection(列表框1);
    if (row < 0)
        return; // no item picked, as when a fill clears the list: the prepared question stays as it is

    const GbkText line = common::list_box_item_text(列表框1, row);
    const auto category = static_cast<WordBankCategory>(common::current_selection(组合框[1]));
    const std::optional<QuestionDraft> draft = build_question(category, line);
    if (!draft)
        return; // a stroke line without strokes, or no category: nothing to ask

    common::set_content(编辑框[7], draft->answer);
    common::set_content(编辑框[6], draft->prompt);
    common::set_current_selection(组合框[3], draft->grid_index);

    if (选择框[4]->isChecked()) {
        const DictionaryEntry entry =
            lookup_online_dictionary(lookup_word(line), m_dictionary_sites.first, m_dictionary_sites.second);
        // Without a pinyin the prompt is left alone: a pick made during the lookup keeps its own.
        if (!entry.pinyin.empty())
            common::set_content(编辑框[6], prompt_with_lookup(draft->prompt, entry.pinyin, entry.meaning));
    }
}

void ServerWindow::on_adopt_word()
{
    common::set_content(编辑框[1], common::content(编辑框[6]));
    common::set_content(编辑框[5], common::content(编辑框[7]));
}

} // namespace server
