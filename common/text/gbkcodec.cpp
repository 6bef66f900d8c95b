#include "common/text/gbkcodec.h"

#include <algorithm>
#include <cerrno>

#include <iconv.h>

namespace common {
namespace {

// One converter per direction and thread, opened on first use: opening costs far more than a
// short conversion.
class Converter final
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

bool is_ascii(const char* data, std::size_t size)
{
    return std::all_of(data, data + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QString to_qstring(const GbkText& text)
{
    if (is_ascii(text.data(), text.size()))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));

    thread_local Converter decoder("UTF-16LE", "GBK");
    if (!decoder.valid())
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));

    // Every GBK character, and every byte that is not one, gives one UTF-16 unit.
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out = reinterpret_cast<char*>(result.data());
    std::size_t out_left = text.size() * 2;
    iconv(decoder.handle(), nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        if (iconv(decoder.handle(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte that starts no GBK character shows as U+FFFD; decoding goes on at the next byte,
        // so an ASCII byte after a stray lead byte survives.
        const char16_t replacement = 0xFFFD;
        std::copy_n(reinterpret_cast<const char*>(&replacement), 2, out);
        out += 2;
        out_left -= 2;
        ++in;
        --in_left;
    }
    result.resize(static_cast<qsizetype>((text.size() * 2 - out_left) / 2));
    return result;
}

GbkText from_qstring(const QString& text)
{
    const auto units = static_cast<std::size_t>(text.size());
    const auto* utf16 = reinterpret_cast<const char16_t*>(text.utf16());
    if (std::all_of(utf16, utf16 + units, [](char16_t u) { return u < 0x80; })) {
        const QByteArray latin = text.toLatin1();
        return GbkText(latin.constData(), static_cast<std::size_t>(latin.size()));
    }

    thread_local Converter encoder("GBK", "UTF-16LE");
    if (!encoder.valid())
        return {};

    // A GBK character is at most two bytes for each UTF-16 unit.
    GbkText result(units * 2, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(utf16));
    std::size_t in_left = units * 2;
    char* out = result.data();
    std::size_t out_left = result.size();
    iconv(encoder.handle(), nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        if (iconv(encoder.handle(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A character GBK lacks becomes '?', one per character (a surrogate pair is one).
        char16_t unit;
        std::copy_n(in, 2, reinterpret_cast<char*>(&unit));
        std::size_t skip = 2;
        if (unit >= 0xD800 && unit < 0xDC00 && in_left >= 4) {
            char16_t next;
            std::copy_n(in + 2, 2, reinterpret_cast<char*>(&next));
            if (next >= 0xDC00 && next < 0xE000)
                skip = 4;
        }
        *out++ = '?';
        --out_left;
        in += std::min(skip, in_left);
        in_left -= std::min(skip, in_left);
    }
    result.resize(result.size() - out_left);
    return result;
}

} // namespace common
