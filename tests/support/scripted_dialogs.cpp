#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

int ScriptedDialogs::message_box(const common::GbkText& text, int flags, const common::GbkText& title)
{
    message_boxes.push_back({text, flags, title});
    if (m_messageAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box (flags " << flags << ")";
        return common::ResultCancel;
    }
    const int answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::input_box(const common::GbkText& prompt, const common::GbkText& title,
                                const common::GbkText& initial, common::GbkText& variable)
{
    input_boxes.push_back({prompt, title, initial});
    if (m_inputAnswers.empty()) {
        ADD_FAILURE() << "unexpected input box";
        return false;
    }
    const std::optional<common::GbkText> answer = m_inputAnswers.front();
    m_inputAnswers.pop_front();
    if (!answer)
        return false;
    variable = *answer;
    return true;
}

bool ScriptedDialogs::common_dialog_show(common::FileDialogRequest& request)
{
    file_dialogs.push_back(request);
    if (m_fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return false;
    }
    const std::optional<common::GbkText> answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    if (!answer)
        return false;
    request.file_name = *answer;
    return true;
}
