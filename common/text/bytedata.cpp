#include "common/text/bytedata.h"

#include <cstring>

namespace common {
namespace {

template <typename Int> ByteData little_endian(Int value)
{
    ByteData data(static_cast<qsizetype>(sizeof(Int)), '\0');
    auto bits = static_cast<std::make_unsigned_t<Int>>(value);
    for (auto& byte : data) {
        byte = static_cast<char>(bits & 0xFF);
        bits = static_cast<decltype(bits)>(bits >> 8);
    }
    return data;
}

// Width in bytes of each value type; 0 for the zero-terminated text.
int value_width(int value_type)
{
    static constexpr int kWidths[] = {0, 1, 2, 4, 8, 4, 8, 4, 8, 4, 0};
    return kWidths[value_type];
}

template <typename T> T from_bytes(const char* bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace

// GBK bytes: the refused argument's name in full-width quotes, then "parameter value invalid".
const char* const kInvalidValueTypeMessage =
    "\xA1\xB0\xD3\xFB\xC8\xA1\xB3\xF6\xCA\xFD\xBE\xDD\xB5\xC4\xC0\xE0\xD0\xCD\xA1\xB1\xB2\xCE\xCA\xFD\xD6\xB5\xCE\xDE"
    "\xD0\xA7";

ByteData to_byte_set(const GbkText& value)
{
    return ByteData(value.data(), static_cast<qsizetype>(value.size()));
}

ByteData to_byte_set(const char* value)
{
    return value == nullptr ? ByteData{} : ByteData(value);
}

ByteData to_byte_set(std::int8_t value)
{
    return little_endian(value);
}

ByteData to_byte_set(std::int16_t value)
{
    return little_endian(value);
}

ByteData to_byte_set(int value)
{
    return little_endian(value);
}

ByteData to_byte_set(std::int64_t value)
{
    return little_endian(value);
}

ByteData to_byte_set(const ByteData& value)
{
    return value;
}

int byte_set_length(const ByteData& data)
{
    return static_cast<int>(data.size());
}

ByteData byte_set_left(const ByteData& data, int n)
{
    if (n <= 0)
        return {};
    return data.left(n);
}

ByteData zero_byte_set(int n)
{
    return n <= 0 ? ByteData{} : ByteData(n, '\0');
}

ByteData byte_set_from_memory(const void* address, int length)
{
    if (address == nullptr || length <= 0)
        return {};
    return ByteData(static_cast<const char*>(address), length);
}

ByteSetValue read_value_from_byte_set(const ByteData& data, int value_type, int& position, GbkText* refusal)
{
    if (value_type < 1 || value_type > 10) {
        if (refusal)
            *refusal = kInvalidValueTypeMessage;
        return {};
    }
    const qsizetype length = data.size();
    // A position before the data (the -1 of a finished read included) has nothing left to read.
    const qsizetype start = position >= 1 ? qsizetype{position} - 1 : length;

    if (value_type == 10) {
        const qsizetype zero = start < length ? data.indexOf('\0', start) : -1;
        const qsizetype end = zero < 0 ? length : zero;
        GbkText text(data.constData() + std::min(start, length),
                     static_cast<std::size_t>(std::max<qsizetype>(end - start, 0)));
        position = zero < 0 || zero + 1 >= length ? -1 : static_cast<int>(zero + 2);
        return text;
    }

    char bytes[8] = {};
    const int width = value_width(value_type);
    for (int i = 0; i < width && start + i < length; ++i)
        bytes[i] = data[start + i];
    const qsizetype next = start + width;
    position = next >= length ? -1 : static_cast<int>(next + 1);

    switch (value_type) {
    case 1:
        return from_bytes<std::uint8_t>(bytes);
    case 2:
        return from_bytes<std::int16_t>(bytes);
    case 3:
    case 9:
        return from_bytes<int>(bytes);
    case 4:
        return from_bytes<std::int64_t>(bytes);
    case 5:
        return from_bytes<float>(bytes);
    case 6:
    case 8:
        return from_bytes<double>(bytes);
    default:
        return from_bytes<int>(bytes) != 0;
    }
}

ByteSetValue read_value_from_byte_set(const ByteData& data, int value_type, GbkText* refusal)
{
    int position = 1;
    return read_value_from_byte_set(data, value_type, position, refusal);
}

} // namespace common
