#pragma once

#include <cstdint>

#include "common/text/gbktext.h"

#include <QByteArray>

// Number conversions, the program's one random generator and the millisecond clock.
namespace common {

// Texts: full-width ASCII forms read as ASCII, then C's decimal rule (leading digits, 0 when none).
int to_integer(const GbkText& text);
int to_integer(const char* text);
int to_integer(double value);
int to_integer(float value);
int to_integer(bool value);
int to_integer(int value);
int to_integer(std::int64_t value);

GbkText to_text(int value);
GbkText to_text(std::uint8_t value);
GbkText to_text(std::int64_t value);
GbkText to_text(double value); // "%.13g"
GbkText to_text(float value);  // "%.6g"
GbkText to_text(bool value);   // "真" / "假"
GbkText to_text(const GbkText& value);
GbkText to_text(const char* value);
GbkText to_text(const QByteArray& value); // bytes up to the first zero byte

// C library LCG, state 1 at start and never seeded: first draws 41, 18467, 6334, 26500, 19169.
int random_integer(int min = 0, int max = 2147483647);

// Milliseconds since the system started.
int tick_count();

inline int bitwise_or(int value)
{
    return value;
}
template <typename... Rest> int bitwise_or(int value, Rest... rest)
{
    return value | bitwise_or(rest...);
}

} // namespace common
