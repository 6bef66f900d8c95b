#pragma once

// The server's fixed listening ports and the display's fixed FTP login.
namespace protocol {

inline constexpr int kLoginPort = 19730;       // login and every message to a role
inline constexpr int kFirstHandInPort = 19731; // contestant machine n on 19730 + n
inline constexpr int kMachineCount = 8;
inline constexpr int kScreenPort = 19739; // the display's picture link
inline constexpr int kExaminerPort = 19740;
inline constexpr int kJudgePort = 19741;

inline constexpr int hand_in_port(int machine)
{
    return kLoginPort + machine;
}

inline constexpr int kFtpPort = 211;
inline constexpr char kFtpUser[] = "username";
inline constexpr char kFtpSecret[] = "tinsmith";

} // namespace protocol
