#pragma once

#include "common/text/gbktext.h"

// Builders of every contest message: fields joined by "|", no terminator, no escaping. A "|" inside
// a value shifts the later fields; that is how the peers read it, so nothing is escaped here.
namespace protocol {

using common::GbkText;
using common::TextList;

// Fields 2-7 shared by the question, tick and titled layouts, as the operator's boxes hold them.
struct QuestionFields
{
    GbkText time_limit;     // 编辑框2
    GbkText question;       // field 3
    GbkText answer;         // field 4
    GbkText grid;           // 编辑框12
    GbkText countdown_font; // 编辑框4
    GbkText question_font;  // 编辑框3
};

// The roles a login request names besides a machine number. The judge's word also marks its
// results, and the display's the request to show the pictures.
inline const GbkText kDisplayRole = "显示";
inline const GbkText kExaminerRole = "考官";
inline const GbkText kJudgeRole = "评委";

GbkText login_request(const GbkText& role);

inline const GbkText kLoginSucceeded = "登录|成功";
inline const GbkText kLoginExaminerSucceeded = "登录|考官成功";
inline const GbkText kLoginJudgeSucceeded = "登录|评委成功";
inline const GbkText kLoginFailed = "登录|失败";

GbkText question_start(const QuestionFields& fields);
GbkText question_start_titled(const QuestionFields& fields, const GbkText& title);
GbkText tick(const GbkText& seconds_left, const QuestionFields& fields);
GbkText tick_titled(const GbkText& seconds_left, const QuestionFields& fields, const GbkText& title);
GbkText question_end(int countdown);
GbkText wait_all(int countdown);
GbkText display_wait(const GbkText& title, const GbkText& title_font);
GbkText exit_all(int countdown);
GbkText judge_result(const GbkText& machine1, const GbkText& machine2, const GbkText& machine3,
                     const GbkText& machine4);

// The field 3 of a tick when the question is not shown.
inline const GbkText kListenPrompt = "请按照听写内容答题";

inline const GbkText kTransfer = "传输";
inline const GbkText kSubmit = "提交";
inline const GbkText kHandedIn = "over";
inline const GbkText kShowPictures = "传输|显示";
inline const GbkText kJudgeResultAck = "结果|结束";
inline const GbkText kExaminerStart = "考官|比赛开始";
inline const GbkText kExaminerStarted = "考官|计时开始";

// The round title of the titled messages, from the counter boxes as typed.
GbkText round_title(bool extra_questions, const GbkText& round, const GbkText& question, const GbkText& extra_count,
                    const GbkText& extra_index);

} // namespace protocol
