#include "protocol/recognition.h"

#include <algorithm>

#include "common/text/numbers.h"

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
    return fields.size() >= 2 && fields[0] == "登录";
}

bool is_judge_result(const TextList& fields)
{
    return fields.size() >= 2 && fields[0] == "结果" && fields[1] == "评委";
}

bool is_right_verdict(const GbkText& verdict)
{
    return verdict == "正确";
}

ControlMessage classify_control_message(const TextList& fields)
{
    const GbkText first = field_at(fields, 0);
    if (first == "比赛" && field_at(fields, 1) == "开始")
        return ControlMessage::QuestionStart;
    if (first == "计时")
        return ControlMessage::Tick;
    if (first == "等待")
        return ControlMessage::DisplayWait;
    return ControlMessage::Other;
}

PhotoMessage classify_photo_message(const TextList& fields)
{
    const GbkText first = field_at(fields, 0);
    const GbkText second = field_at(fields, 1);
    if (first == "传输" && second == "显示")
        return PhotoMessage::ShowPictures;
    if (first == "结果" && second == "评委")
        return PhotoMessage::JudgeResult;
    return PhotoMessage::Other;
}

} // namespace protocol
