#include "common/text/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include <time.h>

namespace common {
namespace {

// Full-width ASCII forms (A3 A1..A3 FE) become their ASCII character, the full-width space a blank.
GbkText to_half_width(const GbkText& text)
{
    GbkText out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || i + 1 >= text.size()) {
            out += text[i++];
            continue;
        }
        const auto d = static_cast<unsigned char>(text[i + 1]);
        if (c == 0xA3 && d >= 0xA1 && d <= 0xFE)
            out += static_cast<char>(d - 0x80);
        else if (c == 0xA1 && d == 0xA1)
            out += ' ';
        else
            out.append(text, i, 2);
        i += 2;
    }
    return out;
}

bool is_c_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Leading white space, an optional sign, decimal digits; a value beyond int saturates as a
// 32-bit strtol does.
int read_decimal(const GbkText& text)
{
    std::size_t i = 0;
    while (i < text.size() && is_c_space(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i] - '0'));
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

template <typename Number> GbkText format_number(Number value)
{
    char buffer[32];
    return GbkText(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// to_chars follows printf's "%.Ng" but never looks at the locale, which Qt sets from the
// environment: a German desktop must not turn 2.5 into "2,5" on the wire.
template <typename Floating> GbkText format_floating(Floating value, int precision)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    return GbkText(buffer, result.ptr);
}

std::uint32_t g_random_state = 1;

} // namespace

int to_integer(const GbkText& text)
{
    return read_decimal(to_half_width(text));
}

int to_integer(const char* text)
{
    return text == nullptr ? 0 : to_integer(GbkText(text));
}

int to_integer(double value)
{
    // Truncation toward zero; NaN and values beyond int (undefined behaviour in C++) give 0 and
    // the nearest int.
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int to_integer(float value)
{
    return to_integer(static_cast<double>(value));
}

int to_integer(bool value)
{
    return value ? 1 : 0;
}

int to_integer(int value)
{
    return value;
}

int to_integer(std::int64_t value)
{
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

GbkText to_text(int value)
{
    return format_number(value);
}

GbkText to_text(std::uint8_t value)
{
    return format_number(static_cast<unsigned>(value));
}

GbkText to_text(std::int64_t value)
{
    return format_number(value);
}

GbkText to_text(double value)
{
    return format_floating(value, 13);
}

GbkText to_text(float value)
{
    return format_floating(value, 6);
}

GbkText to_text(bool value)
{
    return value ? "\xD5\xE6" : "\xBC\xD9";
}

GbkText to_text(const GbkText& value)
{
    return value;
}

GbkText to_text(const char* value)
{
    return value == nullptr ? GbkText{} : GbkText(value);
}

GbkText to_text(const QByteArray& value)
{
    const auto end = std::memchr(value.constData(), 0, static_cast<std::size_t>(value.size()));
    const auto length = end ? static_cast<const char*>(end) - value.constData() : value.size();
    return GbkText(value.constData(), static_cast<std::size_t>(length));
}

int random_integer(int min, int max)
{
    min = std::max(min, 0);
    max = std::max(max, 0);
    if (min > max)
        std::swap(min, max);
    if (min == max)
        return min;
    g_random_state = g_random_state * 214013u + 2531011u;
    const std::int64_t r = (g_random_state >> 16) & 0x7FFF;
    const std::int64_t span = std::int64_t{max} - min + 1;
    return static_cast<int>(min + r % span);
}

int tick_count()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    // Wraps like a 32-bit millisecond counter does after 24.8 days.
    return static_cast<int>(static_cast<std::uint32_t>(ms));
}

} // namespace common
