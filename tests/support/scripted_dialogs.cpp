#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

void ScriptedDialogs::stay_open() const
{
    if (m_open_ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(m_open_ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int ScriptedDialogs::message_box(const common::GbkText& text, int flags, const common::GbkText& title)
{
    message_boxes.push_back({text, flags, title});
    stay_open();
    if (m_message_answers.empty()) {
        ADD_FAILURE() << "unexpected message box (flags " << flags << ")";
        return common::ResultCancel;
    }
    const int answer = m_message_answers.front();
    m_message_answers.pop_front();
    return answer;
}

bool ScriptedDialogs::input_box(const common::GbkText& prompt, const common::GbkText& title,
                                const common::GbkText& initial, common::GbkText& variable)
{
    input_boxes.push_back({prompt, title, initial});
    stay_open();
    if (m_input_answers.empty()) {
        ADD_FAILURE() << "unexpected input box";
        return false;
    }
    const std::optional<common::GbkText> answer = m_input_answers.front();
    m_input_answers.pop_front();
    if (!answer)
        return false;
    variable = *answer;
    return true;
}

bool ScriptedDialogs::common_dialog_show(common::FileDialogRequest& request)
{
    file_dialogs.push_back(request);
    stay_open();
    if (m_file_answers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return false;
    }
    const std::optional<common::GbkText> answer = m_file_answers.front();
    m_file_answers.pop_front();
    if (!answer)
        return false;
    request.file_name = *answer;
    return true;
}
