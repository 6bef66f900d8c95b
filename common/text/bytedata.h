#pragma once

#include <cstdint>
#include <variant>

#include "common/text/gbktext.h"

#include <QByteArray>

// Byte data: file contents, picture data and socket payloads.
namespace common {

using ByteData = QByteArray;

// A text as its bytes without terminator; ints as little-endian bytes; byte data copied.
ByteData to_byte_set(const GbkText& value);
ByteData to_byte_set(const char* value);
ByteData to_byte_set(std::int8_t value);
ByteData to_byte_set(std::int16_t value);
ByteData to_byte_set(int value);
ByteData to_byte_set(std::int64_t value);
ByteData to_byte_set(const ByteData& value);

int byte_set_length(const ByteData& data);
ByteData byte_set_left(const ByteData& data, int n);
ByteData zero_byte_set(int n);
ByteData byte_set_from_memory(const void* address, int length);

enum class ValueType : int
{
    Byte = 1,
    Short = 2,
    Int = 3,
    Int64 = 4,
    Float = 5,
    Double = 6,
    Bool = 7,
    DateTime = 8,
    RoutineAddress = 9,
    Text = 10,
};

// A value read out of byte data; std::monostate when the type was refused.
using ByteSetValue =
    std::variant<std::monostate, std::uint8_t, std::int16_t, int, std::int64_t, float, double, bool, GbkText>;

// The message with which read_value_from_byte_set refuses a type outside 1..10.
extern const char* const kInvalidValueTypeMessage;

// Reads a value at the 1-based position (missing bytes read as 0) and moves position past it,
// or to -1 at the end. A type outside 1..10 gives monostate and sets *refusal to the message.
// Widths: byte 1, short 2, int 4, 64-bit int 8, float 4, double 8, bool 4 (an int, nonzero is
// true), date-time 8 (a double), routine address 4 (an int); a text runs to its zero byte, which
// the position moves past. A position below 1 (-1 after the end) reads nothing: zeros, -1.
ByteSetValue read_value_from_byte_set(const ByteData& data, int value_type, int& position, GbkText* refusal = nullptr);
// The same, read at position 1.
ByteSetValue read_value_from_byte_set(const ByteData& data, int value_type, GbkText* refusal = nullptr);

} // namespace common
