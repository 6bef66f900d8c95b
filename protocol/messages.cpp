#include "protocol/messages.h"

#include "common/text/numbers.h"

namespace protocol {

namespace {

GbkText join(std::initializer_list<GbkText> fields)
{
    GbkText text;
    bool first = true;
    for (const GbkText& field : fields) {
        if (!first)
            text += '|';
        text += field;
        first = false;
    }
    return text;
}

GbkText question_layout(const GbkText& word0, const GbkText& word1, const QuestionFields& f)
{
    return join({word0, word1, f.time_limit, f.question, f.answer, f.grid, f.countdown_font, f.question_font});
}

} // namespace

GbkText login_request(const GbkText& role)
{
    return join({"登录", role});
}

GbkText question_start(const QuestionFields& fields)
{
    return question_layout("比赛", "开始", fields) + "|";
}

GbkText question_start_titled(const QuestionFields& fields, const GbkText& title)
{
    return question_layout("比赛", "开始", fields) + "|" + title;
}

GbkText tick(const GbkText& seconds_left, const QuestionFields& fields)
{
    return question_layout("计时", seconds_left, fields);
}

GbkText tick_titled(const GbkText& seconds_left, const QuestionFields& fields, const GbkText& title)
{
    return question_layout("计时", seconds_left, fields) + "|" + title;
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
    return join({"等待", title, title_font});
}

GbkText exit_all(int countdown)
{
    return join({"退出", "结束", common::to_text(countdown)});
}

GbkText judge_result(const GbkText& machine1, const GbkText& machine2, const GbkText& machine3,
                     const GbkText& machine4)
{
    return join({"结果", "评委", machine1, machine2, machine3, machine4});
}

GbkText round_title(bool extra_questions, const GbkText& round, const GbkText& question, const GbkText& extra_count,
                    const GbkText& extra_index)
{
    if (extra_questions)
        return "第" + round + "轮，加赛" + extra_count + "题的第" + extra_index + "题";
    return "第" + round + "轮，第" + question + "题，加赛" + extra_count + "题";
}

} // namespace protocol
