#include "common/widgets/wavefile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace common {
namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;

std::uint32_t read_le(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

} // namespace

std::optional<WaveFormat> parse_wave(const ByteData& wav)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(wav.constData());
    const qint64 size = wav.size();
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return std::nullopt;

    WaveFormat format;
    bool have_format = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        const unsigned char* chunk = bytes + pos;
        const qint64 length = read_le(chunk + 4, 4);
        const qint64 body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || body + length > size)
                return std::nullopt;
            int tag = static_cast<int>(read_le(bytes + body, 2));
            format.channels = static_cast<int>(read_le(bytes + body + 2, 2));
            format.sample_rate = static_cast<int>(read_le(bytes + body + 4, 4));
            format.block_align = static_cast<int>(read_le(bytes + body + 12, 2));
            const int bits = static_cast<int>(read_le(bytes + body + 14, 2));
            if (tag == kFormatExtensible) {
                // The real format tag opens the sub-format GUID.
                if (length < 40)
                    return std::nullopt;
                tag = static_cast<int>(read_le(bytes + body + 24, 2));
            }
            if (tag == kFormatPcm && bits == 8)
                format.kind = WaveFormat::SampleKind::UInt8;
            else if (tag == kFormatPcm && bits == 16)
                format.kind = WaveFormat::SampleKind::Int16;
            else if (tag == kFormatPcm && bits == 32)
                format.kind = WaveFormat::SampleKind::Int32;
            else if (tag == kFormatFloat && bits == 32)
                format.kind = WaveFormat::SampleKind::Float;
            else
                return std::nullopt;
            if (format.channels < 1 || format.channels > 8 || format.sample_rate < 1000 ||
                format.sample_rate > 384000 || format.block_align != format.channels * bits / 8)
                return std::nullopt;
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format)
                return std::nullopt;
            // A file cut short still plays what it has, in whole frames.
            const qint64 available = std::min(length, size - body);
            format.data_offset = static_cast<int>(body);
            format.data_length = static_cast<int>(available - available % format.block_align);
            return format;
        }
        // Chunks are padded to an even length.
        pos = body + length + (length & 1);
    }
    return std::nullopt;
}

} // namespace common
