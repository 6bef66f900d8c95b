#pragma once

// The user list's fixed rows and columns: machines 1-8 are rows 0-7, then the display, the examiner
// and the judge. The list is the server's routing table for port 19730.
namespace server {

inline constexpr int kDisplayRow = 8;
inline constexpr int kExaminerRow = 9;
inline constexpr int kJudgeRow = 10;

inline constexpr int kNameColumn = 0;
inline constexpr int kStatusColumn = 1;
inline constexpr int kAddressColumn = 2;

} // namespace server
