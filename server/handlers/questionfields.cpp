#include "common/widgets/controls.h"
#include "server/window/serverwindow.h"

#include <QCheckBox>

namespace server {

protocol::QuestionFields ServerWindow::question_fields(const GbkText& question, const GbkText& answer) const
{
    return {common::content(编辑框[2]), question, answer, common::content(编辑框[12]), common::content(编辑框[4]),
            common::content(编辑框[3])};
}

protocol::QuestionFields ServerWindow::full_question_fields() const
{
    return question_fields(common::content(编辑框[1]), common::content(编辑框[5]));
}

GbkText ServerWindow::current_round_title() const
{
    return protocol::round_title(选择框[8]->isChecked(), common::content(编辑框[8]), common::content(编辑框[9]),
                                 common::content(编辑框[10]), common::content(编辑框[11]));
}

} // namespace server
