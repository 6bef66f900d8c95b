#include <cstring>

#include <gtest/gtest.h>

#include "common/text/bytedata.h"

using namespace common;

namespace {

TEST(ToByteSet, TextsWithoutTerminatorIntsLittleEndian)
{
    EXPECT_EQ(to_byte_set(GbkText("汉a")), QByteArray("\xBA\xBA"
                                                      "a"));
    EXPECT_EQ(to_byte_set(GbkText("a\0b", 3)).size(), 3);
    EXPECT_TRUE(to_byte_set(GbkText()).isEmpty());
    EXPECT_EQ(to_byte_set("over"), QByteArray("over"));
    EXPECT_TRUE(to_byte_set(static_cast<const char*>(nullptr)).isEmpty());
    EXPECT_EQ(to_byte_set(0x01020304), QByteArray("\x04\x03\x02\x01", 4));
    EXPECT_EQ(to_byte_set(-1), QByteArray("\xFF\xFF\xFF\xFF", 4));
    EXPECT_EQ(to_byte_set(std::int8_t{-2}), QByteArray("\xFE", 1));
    EXPECT_EQ(to_byte_set(std::int16_t{0x1234}), QByteArray("\x34\x12", 2));
    EXPECT_EQ(to_byte_set(std::int64_t{0x0102030405060708}), QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
    const ByteData data("\x00\x01", 2);
    EXPECT_EQ(to_byte_set(data), data);
}

TEST(ByteSets, LengthsAndCuts)
{
    const ByteData data("abcdef");
    EXPECT_EQ(byte_set_length(data), 6);
    EXPECT_EQ(byte_set_length(ByteData()), 0);
    EXPECT_EQ(byte_set_left(data, 2), QByteArray("ab"));
    EXPECT_EQ(byte_set_left(data, 60), data);
    EXPECT_TRUE(byte_set_left(data, -1).isEmpty());
    EXPECT_EQ(zero_byte_set(3), QByteArray("\0\0\0", 3));
    EXPECT_TRUE(zero_byte_set(-4).isEmpty());
    const char memory[] = {'x', '\0', 'y'};
    EXPECT_EQ(byte_set_from_memory(memory, 3), QByteArray(memory, 3));
    EXPECT_TRUE(byte_set_from_memory(nullptr, 3).isEmpty());
    EXPECT_TRUE(byte_set_from_memory(memory, 0).isEmpty());
}

TEST(ReadValueFromByteSet, ReadsEachTypeAndMovesThePosition)
{
    ByteData data;
    data += to_byte_set(std::int8_t{-1});
    data += to_byte_set(std::int16_t{-300});
    data += to_byte_set(123456);
    data += to_byte_set(std::int64_t{-5000000000});
    float f = 2.5f;
    double d = -0.125;
    data += ByteData(reinterpret_cast<const char*>(&f), 4);
    data += ByteData(reinterpret_cast<const char*>(&d), 8);
    data += to_byte_set(7);
    data += QByteArray("汉字\0rest", 10);

    int position = 1;
    EXPECT_EQ(std::get<std::uint8_t>(read_value_from_byte_set(data, 1, position)), 255);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(std::get<std::int16_t>(read_value_from_byte_set(data, 2, position)), -300);
    EXPECT_EQ(std::get<int>(read_value_from_byte_set(data, 3, position)), 123456);
    EXPECT_EQ(std::get<std::int64_t>(read_value_from_byte_set(data, 4, position)), -5000000000);
    EXPECT_EQ(std::get<float>(read_value_from_byte_set(data, 5, position)), 2.5f);
    EXPECT_EQ(std::get<double>(read_value_from_byte_set(data, 6, position)), -0.125);
    EXPECT_EQ(std::get<bool>(read_value_from_byte_set(data, 7, position)), true);
    EXPECT_EQ(position, 32);
    EXPECT_EQ(std::get<GbkText>(read_value_from_byte_set(data, 10, position)), "汉字");
    EXPECT_EQ(position, 37);
    EXPECT_EQ(std::get<GbkText>(read_value_from_byte_set(data, 10, position)), "rest");
    EXPECT_EQ(position, -1);
}

TEST(ReadValueFromByteSet, MissingBytesReadAsZeroAndEndTheData)
{
    const ByteData data("\x01\x02", 2);
    int position = 1;
    EXPECT_EQ(std::get<int>(read_value_from_byte_set(data, 3, position)), 0x0201);
    EXPECT_EQ(position, -1);
    // Reading on after the end gives zeros and keeps -1.
    EXPECT_EQ(std::get<int>(read_value_from_byte_set(data, 3, position)), 0);
    EXPECT_EQ(position, -1);
    position = 2;
    EXPECT_EQ(std::get<std::uint8_t>(read_value_from_byte_set(data, 1, position)), 2);
    EXPECT_EQ(position, -1);
    position = 1;
    EXPECT_EQ(std::get<std::uint8_t>(read_value_from_byte_set(data, 1, position)), 1);
    EXPECT_EQ(position, 2);
    position = 100;
    EXPECT_EQ(std::get<double>(read_value_from_byte_set(data, 8, position)), 0.0);
    EXPECT_EQ(position, -1);
    position = 1;
    EXPECT_EQ(std::get<GbkText>(read_value_from_byte_set(ByteData(), 10, position)), "");
    EXPECT_EQ(position, -1);
    EXPECT_EQ(std::get<std::int16_t>(read_value_from_byte_set(data, 2)), 0x0201);
}

TEST(ReadValueFromByteSet, RefusesAnUnknownType)
{
    const ByteData data("abcd");
    for (int type : {0, 11, -1, 1000}) {
        int position = 2;
        GbkText refusal;
        const auto value = read_value_from_byte_set(data, type, position, &refusal);
        EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
        EXPECT_EQ(refusal, "“欲取出数据的类型”参数值无效");
        EXPECT_EQ(position, 2);
    }
    EXPECT_TRUE(std::holds_alternative<std::monostate>(read_value_from_byte_set(data, 0)));
}

} // namespace
