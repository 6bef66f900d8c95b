#include <set>

#include <gtest/gtest.h>

#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/ports.h"
#include "protocol/recognition.h"

using namespace protocol;

namespace {

QuestionFields sampleFields()
{
    return {"30", "拼音：biān fú", "蝙蝠", "2", "400", "50"};
}

ByteData bytes(const GbkText& text)
{
    return ByteData(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TEST(Messages, QuestionStartEndsWithSeparatorAndKeepsEmptyFields)
{
    QuestionFields fields = sampleFields();
    EXPECT_EQ(question_start(fields), "比赛|开始|30|拼音：biān fú|蝙蝠|2|400|50|");
    fields.question.clear();
    fields.answer.clear();
    const GbkText text = question_start(fields);
    EXPECT_EQ(text, "比赛|开始|30|||2|400|50|");
    const TextList split = message_fields(bytes(text));
    ASSERT_EQ(split.size(), 8u);
    EXPECT_EQ(split[3], "");
    EXPECT_EQ(split[4], "");
    EXPECT_EQ(split[7], "50");
}

TEST(Messages, TitledLayoutsAddTheRoundTitleWithoutFinalSeparator)
{
    const GbkText title = round_title(false, "1", "1", "0", "1");
    EXPECT_EQ(title, "第1轮，第1题，加赛0题");
    EXPECT_EQ(question_start_titled(sampleFields(), title),
              "比赛|开始|30|拼音：biān fú|蝙蝠|2|400|50|第1轮，第1题，加赛0题");
    EXPECT_EQ(tick_titled("29", sampleFields(), title), "计时|29|30|拼音：biān fú|蝙蝠|2|400|50|第1轮，第1题，加赛0题");
    EXPECT_EQ(round_title(true, "2", "7", "3", "1"), "第2轮，加赛3题的第1题");
}

TEST(Messages, TickWithEmptyLastFieldLosesItInTheSplit)
{
    QuestionFields fields = sampleFields();
    EXPECT_EQ(tick("30", fields), "计时|30|30|拼音：biān fú|蝙蝠|2|400|50");
    fields.question_font.clear();
    EXPECT_EQ(message_fields(bytes(tick("5", fields))).size(), 7u);
    EXPECT_EQ(message_fields(bytes(display_wait("标题", ""))).size(), 2u);
}

TEST(Messages, CountdownMessagesWritePlainDecimals)
{
    EXPECT_EQ(question_end(0), "比赛|结束|0");
    EXPECT_EQ(question_end(17), "比赛|结束|17");
    EXPECT_EQ(wait_all(0), "比赛|等待|0");
    EXPECT_EQ(exit_all(-3), "退出|结束|-3");
    EXPECT_EQ(display_wait("汉字听写大会", "50"), "等待|汉字听写大会|50");
    EXPECT_EQ(login_request("显示"), "登录|显示");
    EXPECT_EQ(judge_result("正确", "错误", "正确", ""), "结果|评委|正确|错误|正确|");
}

TEST(Messages, SeparatorInsideAValueShiftsLaterFields)
{
    QuestionFields fields = sampleFields();
    fields.question = "a|b";
    const TextList split = message_fields(bytes(question_start(fields)));
    ASSERT_EQ(split.size(), 9u);
    EXPECT_EQ(split[4], "b");
    EXPECT_EQ(split[5], "蝙蝠");
}

TEST(Recognition, ArrivalTextEndsAtFirstZeroByte)
{
    ByteData arrival = bytes("登录|1");
    arrival.append('\0');
    arrival.append("|junk");
    const TextList fields = message_fields(arrival);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[1], "1");
}

TEST(Recognition, LoginAndJudgeNeedTheirFixedFields)
{
    EXPECT_TRUE(is_login_request(message_fields(bytes("登录|3abc"))));
    EXPECT_FALSE(is_login_request(message_fields(bytes("登录|"))));
    EXPECT_FALSE(is_login_request(message_fields(bytes("登录"))));
    EXPECT_FALSE(is_login_request(message_fields(bytes("登陆|1"))));
    EXPECT_TRUE(is_judge_result(message_fields(bytes("结果|评委"))));
    EXPECT_FALSE(is_judge_result(message_fields(bytes("结果|考官|正确"))));
    EXPECT_TRUE(is_right_verdict("正确"));
    EXPECT_FALSE(is_right_verdict("正确 "));
    EXPECT_FALSE(is_right_verdict(""));
}

TEST(Recognition, JudgeVerdictsAreReadFromTheBuilderPositions)
{
    using Verdicts = std::array<bool, kJudgedMachines>;
    const TextList full = message_fields(bytes(judge_result("正确", "错误", "正确", "正确 ")));
    EXPECT_EQ(judge_verdicts(full), (Verdicts{true, false, true, false}));
    // A result cut short marks the machines it does not name wrong.
    EXPECT_EQ(judge_verdicts(message_fields(bytes("结果|评委|正确"))), (Verdicts{true, false, false, false}));
    EXPECT_EQ(judge_verdicts({}), (Verdicts{}));
}

TEST(Recognition, ReadersFindEachValueWhereTheBuildersPutIt)
{
    const QuestionFields sent{"31", "题", "答", "3", "401", "51"};
    const TextList titled = message_fields(bytes(tick_titled("7", sent, "第1轮")));
    EXPECT_EQ(field_at(titled, kSecondsLeftField), "7");
    EXPECT_EQ(field_at(titled, kTimeLimitField), "31");
    EXPECT_EQ(field_at(titled, kQuestionField), "题");
    EXPECT_EQ(field_at(titled, kAnswerField), "答");
    EXPECT_EQ(field_at(titled, kGridField), "3");
    EXPECT_EQ(field_at(titled, kCountdownFontField), "401");
    EXPECT_EQ(field_at(titled, kQuestionFontField), "51");
    EXPECT_EQ(field_at(titled, kRoundTitleField), "第1轮");
    const TextList wait = message_fields(bytes(display_wait("标题", "60")));
    EXPECT_EQ(field_at(wait, kDisplayTitleField), "标题");
    EXPECT_EQ(field_at(wait, kDisplayTitleFontField), "60");
    EXPECT_EQ(field_at(message_fields(bytes(login_request("考官"))), kLoginRoleField), "考官");
}

TEST(Recognition, WholeMessageComparisonIsExact)
{
    EXPECT_TRUE(is_whole_message(bytes("提交"), kSubmit));
    EXPECT_FALSE(is_whole_message(bytes("提交\r\n"), kSubmit));
    EXPECT_FALSE(is_whole_message(bytes("OVER"), kHandedIn));
    EXPECT_FALSE(is_whole_message(bytes("overover"), kHandedIn));
    EXPECT_TRUE(is_whole_message(bytes("考官|比赛开始"), kExaminerStart));
}

TEST(Recognition, DisplayClassifiesByLeadingFields)
{
    EXPECT_EQ(classify_control_message(message_fields(bytes("比赛|开始|30|||2|400|50|"))),
              ControlMessage::QuestionStart);
    EXPECT_EQ(classify_control_message(message_fields(bytes("比赛|结束|0"))), ControlMessage::Other);
    EXPECT_EQ(classify_control_message(message_fields(bytes("计时"))), ControlMessage::Tick);
    EXPECT_EQ(classify_control_message(message_fields(bytes("等待|t|50"))), ControlMessage::DisplayWait);
    EXPECT_EQ(classify_control_message({}), ControlMessage::Other);
    EXPECT_EQ(classify_photo_message(message_fields(bytes(kShowPictures))), PhotoMessage::ShowPictures);
    EXPECT_EQ(classify_photo_message(message_fields(bytes("结果|评委|正确"))), PhotoMessage::JudgeResult);
    EXPECT_EQ(classify_photo_message(message_fields(bytes("传输"))), PhotoMessage::Other);
}

TEST(Recognition, MergedTicksJoinTheLastAndFirstFields)
{
    const GbkText two = tick("5", sampleFields()) + tick("4", sampleFields());
    const TextList fields = message_fields(bytes(two));
    EXPECT_EQ(fields[7], "50计时");
    EXPECT_EQ(field_at(fields, 99), "");
}

// Operators open 19730-19741 in the server's firewall, as the README lists them: every role needs a
// port of its own inside that range, or a machine's hand-in would land on another role's listener.
TEST(Ports, EachRoleListensOnAPortOfItsOwnInTheOpenedRange)
{
    std::set<int> ports{kLoginPort, kScreenPort, kExaminerPort, kJudgePort};
    for (int n = 1; n <= kMachineCount; ++n)
        ports.insert(hand_in_port(n));
    EXPECT_EQ(ports.size(), 4u + kMachineCount) << "two roles share a port";
    EXPECT_EQ(*ports.begin(), 19730);
    EXPECT_EQ(*ports.rbegin(), 19741);
}
