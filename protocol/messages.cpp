#include "protocol/messages.h"

#include "common/text/numbers.h"
#include "protocol/fields.h"

namespace protocol {

namespace {

GbkText join(const TextList& fields)
{
    GbkText text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += '|';
        text += fields[i];
    }
    return text;
}

// The question and tick layouts up to the question font; the titled forms add the round title.
TextList question_layout(const GbkText& kind, const GbkText& seconds_left, const QuestionFields& f)
{
    TextList fields(kQuestionFontField + 1);
    fields[kKindField] = kind;
    fields[kSecondsLeftField] = seconds_left;
    fields[kTimeLimitField] = f.time_limit;
    fields[kQuestionField] = f.question;
    fields[kAnswerField] = f.answer;
    fields[kGridField] = f.grid;
    fields[kCountdownFontField] = f.countdown_font;
    fields[kQuestionFontField] = f.question_font;
    return fields;
}

TextList titled(TextList fields, const GbkText& title)
{
    fields.resize(kRoundTitleField + 1);
    fields[kRoundTitleField] = title;
    return fields;
}

} // namespace

GbkText login_request(const GbkText& role)
{
    TextList fields(kLoginRoleField + 1);
    fields[kKindField] = "登录";
    fields[kLoginRoleField] = role;
    return join(fields);
}

// The untitled start still carries an empty title field, so it ends with a separator.
GbkText question_start(const QuestionFields& fields)
{
    return join(titled(question_layout("比赛", "开始", fields), {}));
}

GbkText question_start_titled(const QuestionFields& fields, const GbkText& title)
{
    return join(titled(question_layout("比赛", "开始", fields), title));
}

GbkText tick(const GbkText& seconds_left, const QuestionFields& fields)
{
    return join(question_layout("计时", seconds_left, fields));
}

GbkText tick_titled(const GbkText& seconds_left, const QuestionFields& fields, const GbkText& title)
{
    return join(titled(question_layout("计时", seconds_left, fields), title));
}

GbkText question_end(int countdown)
{
    return join({"比赛", "结束", common::to_text(countdown)});
}

GbkText wait_all(int countdown)
{
    return join({"比赛", "等待", common::to_text(countdown)});
}

GbkText display_wait(const GbkText& title, const GbkText& title_font)
{
    TextList fields(kDisplayTitleFontField + 1);
    fields[kKindField] = "等待";
    fields[kDisplayTitleField] = title;
    fields[kDisplayTitleFontField] = title_font;
    return join(fields);
}

GbkText exit_all(int countdown)
{
    return join({"退出", "结束", common::to_text(countdown)});
}

GbkText judge_result(const GbkText& machine1, const GbkText& machine2, const GbkText& machine3, const GbkText& machine4)
{
    TextList fields(judge_verdict_field(kJudgedMachines) + 1);
    fields[kKindField] = "结果";
    fields[kSubKindField] = kJudgeRole;
    fields[judge_verdict_field(1)] = machine1;
    fields[judge_verdict_field(2)] = machine2;
    fields[judge_verdict_field(3)] = machine3;
    fields[judge_verdict_field(4)] = machine4;
    return join(fields);
}

GbkText round_title(bool extra_questions, const GbkText& round, const GbkText& question, const GbkText& extra_count,
                    const GbkText& extra_index)
{
    if (extra_questions)
        return "第" + round + "轮，加赛" + extra_count + "题的第" + extra_index + "题";
    return "第" + round + "轮，第" + question + "题，加赛" + extra_count + "题";
}

} // namespace protocol
