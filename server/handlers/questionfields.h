#pragma once

#include "common/text/numbers.h"
#include "common/widgets/controls.h"
#include "protocol/messages.h"
#include "server/handlers/userlist.h"
#include "server/window/serverwindow.h"

#include <QCheckBox>

// The question fields and round title as the operator's boxes hold them at this moment: every
// message reads them afresh, so an edit shows in the next one.
namespace server {

inline protocol::QuestionFields question_fields(const ServerWindow& w, const GbkText& question, const GbkText& answer)
{
    return {common::content(w.编辑框[2]), question, answer, common::content(w.编辑框[12]), common::content(w.编辑框[4]),
            common::content(w.编辑框[3])};
}

// Question and answer in full: what the examiner and the judge always see.
inline protocol::QuestionFields full_question_fields(const ServerWindow& w)
{
    return question_fields(w, common::content(w.编辑框[1]), common::content(w.编辑框[5]));
}

inline GbkText current_round_title(const ServerWindow& w)
{
    return protocol::round_title(w.选择框[8]->isChecked(), common::content(w.编辑框[8]), common::content(w.编辑框[9]),
                                 common::content(w.编辑框[10]), common::content(w.编辑框[11]));
}

// A counter box moved on by one: its leading integer plus one, written as a whole number.
inline void step_counter(QWidget* box)
{
    common::set_content(box, common::to_text(common::to_integer(common::content(box)) + 1.0));
}

} // namespace server
