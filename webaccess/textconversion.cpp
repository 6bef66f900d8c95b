#include "webaccess/textconversion.h"

#include "common/text/gbktext.h"
#include "webaccess/iconvconverter.h"

namespace webaccess {

namespace {

const char* const kCodePage936 = "CP936";

// "#引号": lets a caller write a double quote inside a marker.
const GbkText kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

} // namespace

ByteData ansi_to_wide(const GbkText& text, bool without_terminator)
{
    const GbkText upto_zero = text.substr(0, text.find('\0'));
    if (upto_zero.empty())
        return {};
    ByteData wide =
        convert_charset(kCodePage936, "UTF-16LE", ByteData(upto_zero.data(), upto_zero.size()), 1, ByteData("?\0", 2))
            .value_or(ByteData());
    if (!without_terminator)
        wide.append(2, '\0');
    return wide;
}

GbkText wide_to_ansi(const ByteData& data)
{
    const ByteData units = data.left(data.size() / 2 * 2);
    const ByteData ansi = convert_charset("UTF-16LE", kCodePage936, units, 2, ByteData("?")).value_or(ByteData());
    const qsizetype zero = ansi.indexOf('\0');
    return GbkText(ansi.constData(), static_cast<size_t>(zero < 0 ? ansi.size() : zero));
}

GbkText text_between(const GbkText& text, const GbkText& left, const GbkText& right, int start, bool ignore_case)
{
    const GbkText left_marker = common::replace_text(left, kQuotePlaceholder, "\"", 1, common::kAll, true);
    const GbkText right_marker = common::replace_text(right, kQuotePlaceholder, "\"", 1, common::kAll, true);

    int p = common::find_text(text, left_marker, start, ignore_case);
    if (p != -1)
        p += common::text_byte_length(left_marker);
    const int q = p == -1 ? -1 : common::find_text(text, right_marker, p, ignore_case);
    if (p == -1 || q == -1)
        return {};
    return common::text_mid(text, p, q - p);
}

} // namespace webaccess
