// Text operations on arbitrary bytes: none may crash, and split, find and replace must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/text/bytedata.h"
#include "common/text/gbkcodec.h"
#include "common/text/gbktext.h"
#include "common/text/numbers.h"
#include "tests/fuzz/check.h"

using namespace common;

namespace {

GbkText join(const TextList& pieces, const GbkText& separator)
{
    GbkText out;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        out += (i ? separator : GbkText{}) + pieces[i];
    return out;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

void check_split_find_replace(const GbkText& text, const GbkText& separator)
{
    const TextList pieces = split_text(text, separator);
    const GbkText joined = join(pieces, separator);
    // Only an empty last piece may be missing.
    const bool dropped = joined != text;
    check(!dropped || joined + separator == text);
    check(text.empty() == pieces.empty());

    for (const GbkText& piece : pieces)
        check(piece.empty() || find_text(piece, separator) == -1);

    const int first = find_text(text, separator);
    if (pieces.size() > 1 || dropped) {
        check(first == static_cast<int>(pieces[0].size()) + 1);
        check(text_mid(text, first, static_cast<int>(separator.size())) == separator);
    } else {
        check(first == -1);
    }
    if (first != -1) {
        const int folded = find_text(text, separator, 1, true);
        check(folded != -1 && folded <= first);
    }

    const GbkText replacement = "\xA1\xA1#";
    check(replace_text(text, separator, replacement, 1, kAll, true) ==
          join(pieces, replacement) + (dropped ? replacement : GbkText{}));

    const TextList limited = split_text(text, separator, 2);
    check(limited.size() <= 2);
    for (std::size_t i = 0; i < limited.size(); ++i)
        check(limited[i] == pieces[i]);
}

void check_trim_and_cuts(const GbkText& text, int a, int b)
{
    const GbkText trimmed = trim_spaces(text);
    check(trimmed.size() <= text.size());
    check(text.find(trimmed) != GbkText::npos);
    check(trim_spaces(trimmed) == trimmed);
    check(trimmed.empty() || (trimmed[0] != ' ' && trimmed.compare(0, 2, "\xA1\xA1") != 0));

    const GbkText mid = text_mid(text, a, b);
    check(mid.size() <= static_cast<std::size_t>(b < 0 ? 0 : b));
    check(mid.empty() || text.compare(static_cast<std::size_t>(a) - 1, mid.size(), mid) == 0);
    check(text_left(text, a) + text_mid(text, a + 1, text_byte_length(text)) == text || a < 0);
    check(text_right(text, b).size() <= text.size());
    check(char_code_at(text, a) >= -128 && char_code_at(text, a) <= 127);
}

void check_numbers(const GbkText& text)
{
    const int value = to_integer(text);
    check(to_integer(to_text(value)) == value);
    check(to_integer(to_text(static_cast<double>(value))) == value);
}

void check_compare(const GbkText& a, const GbkText& b)
{
    for (bool case_sensitive : {true, false}) {
        check(text_compare(a, a, case_sensitive) == 0);
        check(sign(text_compare(a, b, case_sensitive)) == -sign(text_compare(b, a, case_sensitive)));
    }
    check((text_compare(a, b, true) == 0) == (a == b));
}

void check_codec(const GbkText& text)
{
    const QString unicode = to_qstring(text);
    check(unicode.size() <= static_cast<qsizetype>(text.size()));
    check(from_qstring(unicode).size() <= static_cast<std::size_t>(unicode.size()) * 2);
}

void check_byte_set(const GbkText& text, int type, int position)
{
    const ByteData data = to_byte_set(text);
    const int before = position;
    GbkText refusal;
    const ByteSetValue value = read_value_from_byte_set(data, type, position, &refusal);
    if (type < 1 || type > 10)
        check(std::holds_alternative<std::monostate>(value) && !refusal.empty() && position == before);
    else
        check(position == -1 || (position > before && position <= byte_set_length(data)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    // Header: separator length (0..3), two signed numbers; then the separator and the text.
    const std::size_t separator_length = data[0] % 4;
    const int a = static_cast<std::int8_t>(data[1]);
    const int b = static_cast<std::int8_t>(data[2]);
    const int type = data[3] % 12;
    data += 4;
    size -= 4;
    if (size < separator_length)
        return 0;
    const GbkText separator(reinterpret_cast<const char*>(data), separator_length);
    const GbkText text(reinterpret_cast<const char*>(data) + separator_length, size - separator_length);

    if (!separator.empty())
        check_split_find_replace(text, separator);
    check(split_text(text, separator, a).size() <= (a < 0 ? 0u : text.size() + 1));
    check_trim_and_cuts(text, a, b);
    check_numbers(text);
    check_compare(text, separator);
    check_codec(text);
    check_byte_set(text, type, a);
    check(find_text(text, separator, a, b & 1) <= static_cast<int>(text.size()));
    return 0;
}
