#pragma once

#include <optional>

#include "common/text/bytedata.h"

// The parts of a RIFF/WAVE file that playback needs, read from its bytes.
namespace common {

struct WaveFormat
{
    enum class SampleKind
    {
        UInt8,
        Int16,
        Int32,
        Float,
    };
    SampleKind kind = SampleKind::Int16;
    int channels = 0;
    int sample_rate = 0;
    int block_align = 0;
    // Where the samples start in the file and how many bytes they take (whole frames only).
    int data_offset = 0;
    int data_length = 0;
};

// PCM (8, 16, 32 bit) and 32-bit float, plain or in the extensible layout. A data chunk that claims
// more bytes than the file has is cut to what is there. Anything else gives nullopt.
std::optional<WaveFormat> parse_wave(const ByteData& wav);

} // namespace common
