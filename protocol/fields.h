#pragma once

#include <cstddef>

// Where each value sits in a message, counted from 0 as field_at counts. The builders place their
// values by these positions and the receivers read them back by the same ones.
namespace protocol {

// Every message: its first word ("比赛", "计时", "等待", "结果", "登录", ...).
inline constexpr std::size_t kKindField = 0;
// The word after it that tells messages of one kind apart ("开始", "显示", "评委").
inline constexpr std::size_t kSubKindField = 1;

// A login request: the role asked for, a machine number or a role name.
inline constexpr std::size_t kLoginRoleField = 1;

// The question start, the tick and their titled forms.
inline constexpr std::size_t kSecondsLeftField = 1; // a tick's seconds; "开始" in a question start
inline constexpr std::size_t kTimeLimitField = 2;
inline constexpr std::size_t kQuestionField = 3;
inline constexpr std::size_t kAnswerField = 4;
inline constexpr std::size_t kGridField = 5;
inline constexpr std::size_t kCountdownFontField = 6;
inline constexpr std::size_t kQuestionFontField = 7;
inline constexpr std::size_t kRoundTitleField = 8; // titled forms; empty after a question start

// The display's waiting message.
inline constexpr std::size_t kDisplayTitleField = 1;
inline constexpr std::size_t kDisplayTitleFontField = 2;

// A judge result: one verdict for each of the first four machines.
inline constexpr int kJudgedMachines = 4;
inline constexpr std::size_t judge_verdict_field(int machine)
{
    return 1 + static_cast<std::size_t>(machine);
}

} // namespace protocol
