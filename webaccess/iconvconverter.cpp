#include "webaccess/iconvconverter.h"

#include <cerrno>

#include <iconv.h>

namespace webaccess {

namespace {

bool is_high_surrogate_pair(const char* at, size_t left)
{
    if (left < 4)
        return false;
    auto unit = [at](int i) {
        return static_cast<unsigned>(static_cast<unsigned char>(at[i])) |
               static_cast<unsigned>(static_cast<unsigned char>(at[i + 1])) << 8;
    };
    return unit(0) >= 0xD800 && unit(0) < 0xDC00 && unit(2) >= 0xDC00 && unit(2) < 0xE000;
}

} // namespace

std::optional<common::ByteData> convert_charset(const char* from, const char* to, const common::ByteData& input,
                                                int input_unit, const common::ByteData& substitute)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;

    common::ByteData output;
    char buffer[4096];
    char* in = const_cast<char*>(input.constData());
    size_t in_left = static_cast<size_t>(input.size());
    while (in_left > 0) {
        char* out = buffer;
        size_t out_left = sizeof buffer;
        size_t done = iconv(cd, &in, &in_left, &out, &out_left);
        output.append(buffer, static_cast<qsizetype>(out - buffer));
        if (done != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (cut short at the end): substitute and step over the bad unit. A
        // supplementary character that the target lacks stands for one character, not two.
        output.append(substitute);
        size_t skip = static_cast<size_t>(input_unit);
        if (input_unit == 2 && is_high_surrogate_pair(in, in_left))
            skip = 4;
        if (skip > in_left)
            skip = in_left;
        in += skip;
        in_left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    size_t out_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &out, &out_left);
    output.append(buffer, static_cast<qsizetype>(out - buffer));
    iconv_close(cd);
    return output;
}

} // namespace webaccess
