#include "common/text/gbkcodec.h"

#include <algorithm>

#include <QStringDecoder>
#include <QStringEncoder>

namespace common {
namespace {

// Qt's converter of this name is ICU's table of code page 936: every code of it, the euro sign
// 0x80 and the user-defined areas included, converts to one character and back to its own bytes.
// glibc's "GBK" and "CP936" tables lack some of them.
const char* const kCodePage936 = "GBK";

// The table gives A8 BC and A8 BF as private-use characters; the windows show them as the pinyin
// letters they stand for, and those letters (typed, or from a dictionary page) give the bytes back.
constexpr char16_t kPrivateMAcute = 0xE7C7;
constexpr char16_t kPrivateNGrave = 0xE7C8;
constexpr char16_t kMAcute = 0x1E3F;
constexpr char16_t kNGrave = 0x01F9;

// The table reads a lone 0xFF as this private-use character, but 0xFF is no character of code
// page 936: it shows as U+FFFD like any other stray byte, and the character is not written.
constexpr char16_t kPrivateFF = 0xF8F5;

// Follows any text in both directions so that a lead byte or a high surrogate cut off at its end
// is converted to its substitute, not silently dropped: a zero trails no character.
constexpr char kSentinel = '\0';

bool is_ascii(const char* data, std::size_t size)
{
    return std::all_of(data, data + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void swap_units(QString& text, char16_t from, char16_t to)
{
    text.replace(QChar(from), QChar(to));
}

} // namespace

QString to_qstring(const GbkText& text)
{
    if (is_ascii(text.data(), text.size()))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));

    QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    bytes.append(kSentinel);
    // A byte that starts no character shows as U+FFFD; decoding goes on at the next byte, so an
    // ASCII byte after a stray lead byte survives.
    QString result = QStringDecoder(kCodePage936, QStringDecoder::Flag::Stateless).decode(bytes);
    result.chop(1);
    swap_units(result, kPrivateFF, QChar::ReplacementCharacter);
    swap_units(result, kPrivateMAcute, kMAcute);
    swap_units(result, kPrivateNGrave, kNGrave);
    return result;
}

GbkText from_qstring(const QString& text)
{
    const auto* utf16 = reinterpret_cast<const char16_t*>(text.utf16());
    if (std::all_of(utf16, utf16 + text.size(), [](char16_t u) { return u < 0x80; })) {
        const QByteArray latin = text.toLatin1();
        return GbkText(latin.constData(), static_cast<std::size_t>(latin.size()));
    }

    QString prepared = text;
    swap_units(prepared, kMAcute, kPrivateMAcute);
    swap_units(prepared, kNGrave, kPrivateNGrave);
    swap_units(prepared, kPrivateFF, QChar::ReplacementCharacter);
    prepared.append(QChar(kSentinel));
    // A character code page 936 lacks becomes '?', one per character (a surrogate pair is one).
    const QByteArray gbk = QStringEncoder(kCodePage936, QStringEncoder::Flag::Stateless).encode(prepared);
    return GbkText(gbk.constData(), static_cast<std::size_t>(gbk.size() - 1));
}

} // namespace common
