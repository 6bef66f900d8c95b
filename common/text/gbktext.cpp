#include "common/text/gbktext.h"

#include <algorithm>
#include <string_view>

namespace common {
namespace {

constexpr auto npos = std::string_view::npos;

bool is_lead(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

unsigned char fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Characters are counted from `base`, a known character start. Only the run of lead-range bytes
// right before pos decides: the byte before that run is a one-byte character or a trail byte, so
// a character starts behind it, and the run itself is made of lead/trail pairs.
bool is_char_start(std::string_view text, std::size_t base, std::size_t pos)
{
    std::size_t i = pos;
    while (i > base && is_lead(text[i - 1]))
        --i;
    return (pos - i) % 2 == 0;
}

// Exact match at a character start at or after `from`, characters counted from `from`. The byte
// search does the scanning; a hit inside a double-byte character moves the base past it, so the
// boundary checks add up to one pass over the text.
std::size_t find_exact(std::string_view text, std::string_view wanted, std::size_t from)
{
    std::size_t base = from;
    std::size_t pos = from;
    for (;;) {
        pos = wanted.size() == 1 ? text.find(wanted[0], pos) : text.find(wanted, pos);
        if (pos == npos || is_char_start(text, base, pos))
            return pos;
        base = pos + 1; // pos is a trail byte: the next character starts behind it
        pos = base;
    }
}

// ASCII letters without case; a double-byte character (lead and trail) only matches exactly.
bool matches_folded(std::string_view text, std::size_t at, std::string_view wanted)
{
    for (std::size_t j = 0; j < wanted.size(); ++j) {
        const auto a = static_cast<unsigned char>(text[at + j]);
        const auto b = static_cast<unsigned char>(wanted[j]);
        if (a >= 0x80) {
            if (a != b)
                return false;
            if (j + 1 < wanted.size()) {
                ++j;
                if (text[at + j] != wanted[j])
                    return false;
            }
        } else if (fold(a) != fold(b)) {
            return false;
        }
    }
    return true;
}

std::size_t find_folded(std::string_view text, std::string_view wanted, std::size_t from)
{
    for (std::size_t i = from; i + wanted.size() <= text.size(); i += is_lead(text[i]) ? 2 : 1) {
        if (matches_folded(text, i, wanted))
            return i;
    }
    return npos;
}

std::size_t find_from(std::string_view text, std::string_view wanted, std::size_t from, bool ignore_case)
{
    if (from >= text.size() || wanted.size() > text.size() - from)
        return npos;
    return ignore_case ? find_folded(text, wanted, from) : find_exact(text, wanted, from);
}

} // namespace

int text_byte_length(const GbkText& text)
{
    return static_cast<int>(text.size());
}

GbkText text_left(const GbkText& text, int n)
{
    if (n <= 0)
        return {};
    return text.substr(0, static_cast<std::size_t>(n));
}

GbkText text_right(const GbkText& text, int n)
{
    if (n <= 0)
        return {};
    const auto count = std::min(text.size(), static_cast<std::size_t>(n));
    return text.substr(text.size() - count);
}

GbkText text_mid(const GbkText& text, int start, int n)
{
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0)
        return {};
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

int find_text(const GbkText& text, const GbkText& wanted, int start, bool ignore_case)
{
    const auto from = static_cast<std::size_t>(std::max(start, 1)) - 1;
    if (from >= text.size())
        return -1;
    if (wanted.empty())
        return 1;
    const auto pos = find_from(text, wanted, from, ignore_case);
    return pos == npos ? -1 : static_cast<int>(pos) + 1;
}

GbkText replace_text(const GbkText& text, const GbkText& wanted, const GbkText& replacement, int start, int max_count,
                     bool case_sensitive)
{
    const auto from = static_cast<std::size_t>(std::max(start, 1)) - 1;
    if (text.empty() || wanted.empty() || from >= text.size() || max_count == 0)
        return text;

    GbkText result;
    result.reserve(text.size());
    std::size_t copied = 0;
    std::size_t scan = from;
    int replaced = 0;
    while (max_count < 0 || replaced < max_count) {
        const auto pos = find_from(text, wanted, scan, !case_sensitive);
        if (pos == npos)
            break;
        result.append(text, copied, pos - copied);
        result += replacement;
        copied = scan = pos + wanted.size();
        ++replaced;
    }
    result.append(text, copied, npos);
    return result;
}

TextList split_text(const GbkText& text, const GbkText& separator, std::optional<int> max_pieces)
{
    if (text.empty() || (max_pieces && *max_pieces <= 0))
        return {};
    if (separator.empty())
        return {text};

    const auto limit = max_pieces ? static_cast<std::size_t>(*max_pieces) : text.size() + 1;
    TextList pieces;
    std::size_t mark = 0;
    while (pieces.size() < limit) {
        const auto pos = find_from(text, separator, mark, false);
        if (pos == npos)
            break;
        pieces.emplace_back(text, mark, pos - mark);
        mark = pos + separator.size();
    }
    if (mark < text.size() && pieces.size() < limit)
        pieces.emplace_back(text, mark, npos);
    return pieces;
}

GbkText trim_spaces(const GbkText& text)
{
    const auto n = text.size();
    auto full_width_space_at = [&](std::size_t i) { return i + 1 < n && text[i] == '\xA1' && text[i + 1] == '\xA1'; };

    std::size_t begin = 0;
    for (;;) {
        if (begin < n && text[begin] == ' ')
            ++begin;
        else if (full_width_space_at(begin))
            begin += 2;
        else
            break;
    }

    // Trailing blanks are found by walking characters, so the trail byte of one character and
    // the lead byte after it are never taken for a full-width space.
    std::size_t end = begin;
    for (std::size_t i = begin; i < n;) {
        if (text[i] == ' ') {
            ++i;
        } else if (full_width_space_at(i)) {
            i += 2;
        } else {
            i = std::min(n, i + (is_lead(text[i]) ? 2 : 1));
            end = i;
        }
    }
    return text.substr(begin, end - begin);
}

GbkText char_from_code(int code)
{
    return GbkText(1, static_cast<char>(static_cast<unsigned char>(code)));
}

int char_code_at(const GbkText& text, int position)
{
    if (position < 1 || static_cast<std::size_t>(position) > text.size())
        return 0;
    return static_cast<signed char>(text[static_cast<std::size_t>(position) - 1]);
}

int text_compare(const GbkText& a, const GbkText& b, bool case_sensitive)
{
    // Equal bytes so far means equal character boundaries, so one flag tracks trail bytes.
    bool trail = false;
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (!case_sensitive && !trail) {
            x = fold(x);
            y = fold(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
        trail = !trail && is_lead(a[i]);
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace common
