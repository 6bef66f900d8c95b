#include "protocol/recognition.h"

#include <algorithm>

#include "common/text/numbers.h"
#include "protocol/messages.h"

namespace protocol {

TextList message_fields(const ByteData& arrival)
{
    return common::split_text(common::to_text(arrival), "|");
}

GbkText field_at(const TextList& fields, std::size_t index)
{
    return index < fields.size() ? fields[index] : GbkText{};
}

bool is_whole_message(const ByteData& arrival, const GbkText& text)
{
    return arrival.size() == static_cast<qsizetype>(text.size()) &&
           std::equal(text.begin(), text.end(), arrival.constBegin());
}

bool is_login_request(const TextList& fields)
{
    return fields.size() > kLoginRoleField && fields[kKindField] == "登录";
}

bool is_judge_result(const TextList& fields)
{
    return fields.size() > kSubKindField && fields[kKindField] == "结果" && fields[kSubKindField] == kJudgeRole;
}

bool is_right_verdict(const GbkText& verdict)
{
    return verdict == "正确";
}

std::array<bool, kJudgedMachines> judge_verdicts(const TextList& fields)
{
    std::array<bool, kJudgedMachines> right{};
    for (int machine = 1; machine <= kJudgedMachines; ++machine)
        right[machine - 1] = is_right_verdict(field_at(fields, judge_verdict_field(machine)));
    return right;
}

ControlMessage classify_control_message(const TextList& fields)
{
    const GbkText first = field_at(fields, kKindField);
    if (first == "比赛" && field_at(fields, kSubKindField) == "开始")
        return ControlMessage::QuestionStart;
    if (first == "计时")
        return ControlMessage::Tick;
    if (first == "等待")
        return ControlMessage::DisplayWait;
    return ControlMessage::Other;
}

PhotoMessage classify_photo_message(const TextList& fields)
{
    const GbkText first = field_at(fields, kKindField);
    const GbkText second = field_at(fields, kSubKindField);
    if (first == "传输" && second == kDisplayRole)
        return PhotoMessage::ShowPictures;
    if (first == "结果" && second == kJudgeRole)
        return PhotoMessage::JudgeResult;
    return PhotoMessage::Other;
}

} // namespace protocol
