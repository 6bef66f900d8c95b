#include "webaccess/regexobject.h"

#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "webaccess/textconversion.h"

namespace webaccess {

namespace {

// "#引号"
const GbkText kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

std::u16string to_units(const GbkText& text)
{
    const ByteData wide = ansi_to_wide(text, true);
    std::u16string units(static_cast<size_t>(wide.size() / 2), u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                         static_cast<unsigned char>(wide[2 * i + 1]) << 8);
    return units;
}

GbkText to_gbk(const std::u16string& units, size_t from = 0, size_t count = std::u16string::npos)
{
    const std::u16string part = units.substr(from, count);
    ByteData wide;
    wide.reserve(static_cast<qsizetype>(part.size() * 2));
    for (char16_t unit : part) {
        wide.append(static_cast<char>(unit & 0xFF));
        wide.append(static_cast<char>(unit >> 8));
    }
    return wide_to_ansi(wide);
}

bool is_surrogate_pair_at(const std::u16string& units, size_t at)
{
    return at + 1 < units.size() && units[at] >= 0xD800 && units[at] < 0xDC00 && units[at + 1] >= 0xDC00 &&
           units[at + 1] < 0xE000;
}

} // namespace

struct RegexObject::State
{
    // Start and end in UTF-16 units; an unset group has start -1.
    struct Span
    {
        long start = -1;
        long end = -1;
    };
    using Match = std::vector<Span>; // [0] the whole match, [n] group n

    GbkText pattern;
    bool compiled = false;
    std::u16string subject;
    std::vector<Match> matches;

    GbkText span_text(const Span& span) const
    {
        return span.start < 0 ? GbkText() : to_gbk(subject, span.start, span.end - span.start);
    }
    int byte_offset(long unit_index) const { return static_cast<int>(to_gbk(subject, 0, unit_index).size()); }
    int position_of_nothing() const { return subject.empty() ? -2 : 0; }
    std::u16string expand(const std::u16string& replacement, const Match& match) const;
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;

bool RegexObject::create(const GbkText& pattern, const GbkText& subject, bool case_sensitive, bool multiline,
                         bool global, bool quote_placeholders)
{
    auto state = std::make_shared<State>();
    state->pattern =
        quote_placeholders ? common::replace_text(pattern, kQuotePlaceholder, "\"", 1, common::kAll, true) : pattern;
    state->subject = to_units(subject);
    m_state = state;

    // JavaScript-style escapes (\uXXXX, \xXX); "." always crosses line ends.
    uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX | PCRE2_DOTALL | PCRE2_NEVER_BACKSLASH_C;
    if (!case_sensitive)
        options |= PCRE2_CASELESS;
    if (multiline)
        options |= PCRE2_MULTILINE;

    const std::u16string pattern_units = to_units(state->pattern);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_units.data()), pattern_units.size(), options,
                                     &error, &error_offset, nullptr);
    if (!code)
        return false;
    pcre2_match_data* match_data = pcre2_match_data_create_from_pattern(code, nullptr);

    const auto* units = reinterpret_cast<PCRE2_SPTR>(state->subject.data());
    const size_t length = state->subject.size();
    bool ran = match_data != nullptr;
    size_t start = 0;
    while (ran && start <= length) {
        const int rc = pcre2_match(code, units, length, start, 0, match_data, nullptr);
        if (rc == PCRE2_ERROR_NOMATCH)
            break;
        if (rc < 0) {
            ran = false;
            break;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match_data);
        const uint32_t pairs = pcre2_get_ovector_count(match_data);
        State::Match match(pairs);
        for (uint32_t i = 0; i < pairs && i < static_cast<uint32_t>(rc); ++i) {
            if (ovector[2 * i] != PCRE2_UNSET)
                match[i] = {static_cast<long>(ovector[2 * i]), static_cast<long>(ovector[2 * i + 1])};
        }
        state->matches.push_back(match);
        if (!global)
            break;
        // After an empty match the next search starts one character on, or it would find it again.
        start = ovector[1];
        if (ovector[1] == ovector[0])
            start += is_surrogate_pair_at(state->subject, start) ? 2 : 1;
    }
    pcre2_match_data_free(match_data);
    pcre2_code_free(code);
    if (!ran) {
        state->matches.clear();
        return false;
    }
    state->compiled = true;
    return true;
}

GbkText RegexObject::pattern_text() const
{
    return m_state ? m_state->pattern : GbkText();
}

std::u16string RegexObject::State::expand(const std::u16string& replacement, const Match& match) const
{
    auto span_units = [this](const Span& span) {
        return span.start < 0 ? std::u16string() : subject.substr(span.start, span.end - span.start);
    };
    auto is_digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    const size_t groups = match.size() - 1;

    std::u16string out;
    for (size_t i = 0; i < replacement.size(); ++i) {
        const char16_t c = replacement[i];
        const char16_t next = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
        if (c != u'$' || next == u'\0') {
            out += c;
        } else if (next == u'$') {
            out += u'$';
            ++i;
        } else if (next == u'&') {
            out += span_units(match[0]);
            ++i;
        } else if (next == u'`') {
            out += subject.substr(0, match[0].start);
            ++i;
        } else if (next == u'\'') {
            out += subject.substr(match[0].end);
            ++i;
        } else if (is_digit(next)) {
            // Two digits when that group exists, else one, else the text stays as written.
            const char16_t after = i + 2 < replacement.size() ? replacement[i + 2] : u'\0';
            const size_t two = is_digit(after) ? (next - u'0') * 10 + (after - u'0') : 0;
            const size_t one = next - u'0';
            if (two >= 1 && two <= groups) {
                out += span_units(match[two]);
                i += 2;
            } else if (one >= 1 && one <= groups) {
                out += span_units(match[one]);
                ++i;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

GbkText RegexObject::replace(const GbkText& replacement) const
{
    if (!m_state || !m_state->compiled)
        return {};
    const std::u16string replacement_units = to_units(replacement);
    std::u16string result;
    size_t done = 0;
    for (const State::Match& match : m_state->matches) {
        result += m_state->subject.substr(done, match[0].start - done);
        result += m_state->expand(replacement_units, match);
        done = match[0].end;
    }
    result += m_state->subject.substr(done);
    return to_gbk(result);
}

int RegexObject::match_count() const
{
    return m_state ? static_cast<int>(m_state->matches.size()) : 0;
}

GbkText RegexObject::match_text(int match_index, int* position) const
{
    if (!m_state || match_index < 1 || match_index > match_count()) {
        if (position)
            *position = m_state ? m_state->position_of_nothing() : -2;
        return {};
    }
    const State::Span& whole = m_state->matches[match_index - 1][0];
    if (position)
        *position = m_state->byte_offset(whole.start);
    return m_state->span_text(whole);
}

GbkText RegexObject::submatch_text(int match_index, int group_index, int* position) const
{
    const bool found = m_state && match_index >= 1 && match_index <= match_count() && group_index >= 1 &&
                       group_index < static_cast<int>(m_state->matches[match_index - 1].size());
    if (!found) {
        if (position)
            *position = m_state ? m_state->position_of_nothing() : -2;
        return {};
    }
    const State::Match& match = m_state->matches[match_index - 1];
    const State::Span& group = match[group_index];
    // A group that took no part in the match stands at the start of its match.
    if (position)
        *position = m_state->byte_offset(group.start < 0 ? match[0].start : group.start);
    return m_state->span_text(group);
}

int RegexObject::submatch_count() const
{
    return match_count() > 0 ? static_cast<int>(m_state->matches[0].size()) - 1 : 0;
}

} // namespace webaccess
