// Any bytes may be offered as a sound: what the reader accepts lies inside the file in whole frames,
// and a file written from the input's numbers reads back as written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "common/widgets/wavefile.h"
#include "tests/fuzz/check.h"

using common::ByteData;
using common::WaveFormat;

namespace {

void check_accepted(const ByteData& wav)
{
    const std::optional<WaveFormat> format = common::parse_wave(wav);
    if (!format)
        return;
    check(format->channels >= 1 && format->channels <= 8);
    check(format->sample_rate >= 1000 && format->sample_rate <= 384000);
    check(format->block_align >= 1);
    check(format->data_offset >= 20 && format->data_length >= 0);
    check(std::int64_t{format->data_offset} + format->data_length <= wav.size());
    check(format->data_length % format->block_align == 0);
}

void put(ByteData& data, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A plain PCM or float file with the numbers taken from the input, an extra chunk before the data
// and the data chunk's length claimed as given.
void check_written(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return;
    const int kinds[4][2] = {{1, 8}, {1, 16}, {1, 32}, {3, 32}};
    const int kind = data[0] % 4;
    const int channels = 1 + data[1] % 8;
    const int rate = 1000 + (data[2] | data[3] << 8 | (data[4] & 0x3) << 16) % 383001;
    const int extra = data[5] % 5;
    const std::uint32_t claimed = data[6] | data[7] << 8;
    const int bits = kinds[kind][1];
    const int align = channels * bits / 8;

    ByteData wav("RIFF", 4);
    put(wav, 0, 4);
    wav.append("WAVEfmt ", 8);
    put(wav, 16, 4);
    put(wav, static_cast<std::uint32_t>(kinds[kind][0]), 2);
    put(wav, static_cast<std::uint32_t>(channels), 2);
    put(wav, static_cast<std::uint32_t>(rate), 4);
    put(wav, static_cast<std::uint32_t>(rate * align), 4);
    put(wav, static_cast<std::uint32_t>(align), 2);
    put(wav, static_cast<std::uint32_t>(bits), 2);
    wav.append("LIST", 4);
    put(wav, static_cast<std::uint32_t>(extra), 4);
    wav.append(ByteData(extra + (extra & 1), 'x'));
    wav.append("data", 4);
    put(wav, claimed, 4);
    const qsizetype offset = wav.size();
    wav.append(reinterpret_cast<const char*>(data) + 8, static_cast<qsizetype>(size - 8));

    const std::optional<WaveFormat> format = common::parse_wave(wav);
    check(format.has_value());
    const WaveFormat::SampleKind read_kinds[4] = {WaveFormat::SampleKind::UInt8, WaveFormat::SampleKind::Int16,
                                                  WaveFormat::SampleKind::Int32, WaveFormat::SampleKind::Float};
    check(format->kind == read_kinds[kind]);
    check(format->channels == channels && format->sample_rate == rate && format->block_align == align);
    check(format->data_offset == offset);
    const std::int64_t present = std::min<std::int64_t>(claimed, static_cast<std::int64_t>(size - 8));
    check(format->data_length == present - present % align);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    check_accepted(ByteData::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    check_written(data, size);
    return 0;
}
