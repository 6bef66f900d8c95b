#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "common/widgets/operatordialogs.h"

// Answers the operator dialogs from a script instead of a person, and records what was asked.
// A dialog that comes without a scripted answer fails the running test and is answered as if
// the operator had closed it.
class ScriptedDialogs final : public common::OperatorDialogs
{
public:
    struct MessageBoxCall
    {
        common::GbkText text;
        int flags = 0;
        common::GbkText title;
    };
    struct InputBoxCall
    {
        common::GbkText prompt;
        common::GbkText title;
        common::GbkText initial;
    };

    void answer_message_box(int result) { m_message_answers.push_back(result); }
    // nullopt: the operator cancels.
    void answer_input_box(std::optional<common::GbkText> typed) { m_input_answers.push_back(std::move(typed)); }
    void answer_file_dialog(std::optional<common::GbkText> chosen) { m_file_answers.push_back(std::move(chosen)); }

    int message_box(const common::GbkText& text, int flags, const common::GbkText& title = "信息：") override;
    bool input_box(const common::GbkText& prompt, const common::GbkText& title, const common::GbkText& initial,
                   common::GbkText& variable) override;
    bool common_dialog_show(common::FileDialogRequest& request) override;

    // How long each dialog stays open before its answer, running an event loop meanwhile as a modal
    // box does.
    void stay_open_ms(int ms) { m_open_ms = ms; }

    // Answers scripted but never asked for.
    std::size_t unused_answers() const
    {
        return m_message_answers.size() + m_input_answers.size() + m_file_answers.size();
    }

    std::vector<MessageBoxCall> message_boxes;
    std::vector<InputBoxCall> input_boxes;
    std::vector<common::FileDialogRequest> file_dialogs;

private:
    void stay_open() const;

    std::deque<int> m_message_answers;
    std::deque<std::optional<common::GbkText>> m_input_answers;
    std::deque<std::optional<common::GbkText>> m_file_answers;
    int m_open_ms = 0;
};
