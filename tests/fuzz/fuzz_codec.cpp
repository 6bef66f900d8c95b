// Both GBK converters on any input: every code of code page 936 converts to Unicode and back to its
// own bytes, GBK that a converter wrote does too, and the UTF-16 data of the web conversions has the
// promised shape.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/text/gbkcodec.h"
#include "common/text/gbktext.h"
#include "tests/fuzz/check.h"
#include "webaccess/textconversion.h"

using common::ByteData;
using common::GbkText;

namespace {

// The input without the bytes that start no code of code page 936.
GbkText codes_only(const GbkText& bytes)
{
    GbkText codes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (byte <= 0x80) {
            codes += bytes[i];
        } else if (byte < 0xFF && trail >= 0x40 && trail < 0xFF && trail != 0x7F) {
            codes += bytes.substr(i, 2);
            ++i;
        }
    }
    return codes;
}

// The widget edge: any bytes decode to at most one unit per byte; what the encoder writes is valid
// GBK and round-trips.
void check_widget_codec(const GbkText& bytes, const QString& unicode)
{
    const QString decoded = common::to_qstring(bytes);
    check(decoded.size() <= static_cast<qsizetype>(bytes.size()));
    const GbkText codes = codes_only(bytes);
    check(!common::to_qstring(codes).contains(QChar::ReplacementCharacter));
    check(common::from_qstring(common::to_qstring(codes)) == codes);

    const GbkText valid = common::from_qstring(unicode);
    check(common::from_qstring(common::to_qstring(valid)) == valid);
    check(common::to_qstring(valid).size() <= unicode.size());
    check(common::from_qstring(common::to_qstring(common::from_qstring(decoded))) == common::from_qstring(decoded));
}

// The web conversions (code page 936): terminator, units and round trip.
void check_web_codec(const GbkText& bytes, const ByteData& units)
{
    const GbkText upto_zero = bytes.substr(0, bytes.find('\0'));
    const ByteData wide = webaccess::ansi_to_wide(bytes);
    const ByteData bare = webaccess::ansi_to_wide(bytes, true);
    check(wide.size() % 2 == 0 && bare.size() % 2 == 0);
    check(upto_zero.empty() ? wide.isEmpty() : wide == bare + ByteData(2, '\0'));
    check(static_cast<std::size_t>(bare.size()) <= upto_zero.size() * 2);

    const GbkText codes = codes_only(upto_zero);
    check(webaccess::wide_to_ansi(webaccess::ansi_to_wide(codes)) == codes);

    const GbkText valid = webaccess::wide_to_ansi(units);
    check(valid.find('\0') == GbkText::npos);
    check(webaccess::wide_to_ansi(webaccess::ansi_to_wide(valid)) == valid);
    check(webaccess::wide_to_ansi(webaccess::ansi_to_wide(valid, true)) == valid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const GbkText bytes(reinterpret_cast<const char*>(data), size);
    const ByteData units(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString unicode(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(unicode.data(), data, size / 2 * 2);
    check_widget_codec(bytes, unicode);
    check_web_codec(bytes, units);
    return 0;
}
