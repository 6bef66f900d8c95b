#include "webaccess/textconversion.h"

#include "common/text/gbkcodec.h"
#include "common/text/gbktext.h"

#include <QString>

namespace webaccess {

namespace {

// "#引号": lets a caller write a double quote inside a marker.
const GbkText kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// A base character and the combining marks behind it become one precomposed character where
// Unicode has one ("e" + U+0301 is é, which code page 936 holds); a base that has none keeps its
// marks, and a base alone is never touched, so no compatibility character is swapped for another.
QString compose_marks(const QString& text)
{
    QString result;
    result.reserve(text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start + 1;
        while (end < text.size() && text[end].isMark())
            ++end;
        const QString run = text.mid(start, end - start);
        const QString composed = run.size() > 1 ? run.normalized(QString::NormalizationForm_C) : run;
        result += composed.size() < run.size() ? composed : run;
        start = end;
    }
    return result;
}

} // namespace

ByteData ansi_to_wide(const GbkText& text, bool without_terminator)
{
    const GbkText upto_zero = text.substr(0, text.find('\0'));
    if (upto_zero.empty())
        return {};
    QString wide = common::to_qstring(upto_zero);
    // Bytes that are no character become "?", the platform converter's default character.
    wide.replace(QChar::ReplacementCharacter, u'?');
    if (!without_terminator)
        wide.append(QChar(u'\0'));
    ByteData data;
    data.reserve(wide.size() * 2);
    for (const QChar unit : wide) {
        data.append(static_cast<char>(unit.unicode() & 0xFF));
        data.append(static_cast<char>(unit.unicode() >> 8));
    }
    return data;
}

GbkText wide_to_ansi(const ByteData& data)
{
    QString wide(data.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < wide.size(); ++i)
        wide[i] = QChar(static_cast<unsigned char>(data[2 * i]), static_cast<unsigned char>(data[2 * i + 1]));
    const GbkText ansi = common::from_qstring(compose_marks(wide));
    return ansi.substr(0, ansi.find('\0'));
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
