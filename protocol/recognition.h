#pragma once

#include <array>
#include <cstddef>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"
#include "protocol/fields.h"

// How each receiver reads an arrival. One arrival is one message: the protocol has no framing.
namespace protocol {

using common::ByteData;
using common::GbkText;
using common::TextList;

// The arrival as text up to its first zero byte, split at "|" (GBK-aware, empty last field dropped).
TextList message_fields(const ByteData& arrival);

// Field i, or the empty text when the message is shorter: a short message must not end a program.
GbkText field_at(const TextList& fields, std::size_t index);

// Whole-message comparison: equal length and equal bytes.
bool is_whole_message(const ByteData& arrival, const GbkText& text);

// Server, 19730: at least two fields, field 0 "登录".
bool is_login_request(const TextList& fields);
// Server, 19741: at least two fields, "结果" and "评委".
bool is_judge_result(const TextList& fields);
// One verdict of a judge result: only exactly "正确" is right.
bool is_right_verdict(const GbkText& verdict);
// The verdicts for machines 1-4, machine k in slot k - 1. A result cut short lacks verdicts: a
// missing one reads as empty, so that machine is marked wrong.
std::array<bool, kJudgedMachines> judge_verdicts(const TextList& fields);

enum class ControlMessage
{
    QuestionStart, // "比赛" "开始"
    Tick,          // "计时"
    DisplayWait,   // "等待"
    Other,
};
// Display, control link.
ControlMessage classify_control_message(const TextList& fields);

enum class PhotoMessage
{
    ShowPictures, // "传输" "显示"
    JudgeResult,  // "结果" "评委"
    Other,
};
// Display, picture link.
PhotoMessage classify_photo_message(const TextList& fields);

} // namespace protocol
