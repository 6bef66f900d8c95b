#include <cstdint>

#include <gtest/gtest.h>

#include "common/text/bytedata.h"
#include "server/qr/bitmap.h"

#include <QFile>
#include <QTemporaryDir>

using server::bitmap_copy_block;
using server::bitmap_create_blank;
using server::bitmap_get_pixel;
using server::bitmap_load_file;
using server::bitmap_to_file_data;

namespace {

constexpr int kBlack = 0x000000;
constexpr int kWhite = 0xFFFFFF;

std::uint32_t u32_at(const QByteArray& data, int offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(data[offset + i]);
    return value;
}

int u16_at(const QByteArray& data, int offset)
{
    return std::uint8_t(data[offset]) | (std::uint8_t(data[offset + 1]) << 8);
}

} // namespace

TEST(QrBitmap, BlankImagesTakeSizeDepthAndFill)
{
    QImage mono;
    ASSERT_TRUE(bitmap_create_blank(mono, 7, 5, 1, kBlack));
    EXPECT_EQ(mono.size(), QSize(7, 5));
    ASSERT_EQ(mono.colorCount(), 2);
    EXPECT_EQ(mono.color(0), qRgb(0, 0, 0));
    EXPECT_EQ(mono.color(1), qRgb(255, 255, 255));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(bitmap_get_pixel(mono, x, y), kBlack);

    // A light fill takes the nearer palette entry.
    ASSERT_TRUE(bitmap_create_blank(mono, 3, 3, 1, 0xD0D0D0));
    EXPECT_EQ(bitmap_get_pixel(mono, 2, 2), kWhite);

    QImage colour;
    ASSERT_TRUE(bitmap_create_blank(colour, 4, 2, 24, 0x123456));
    EXPECT_EQ(bitmap_get_pixel(colour, 3, 1), 0x123456);
    ASSERT_TRUE(bitmap_create_blank(colour, 4, 2, 32, 0x0000FF));
    EXPECT_EQ(bitmap_get_pixel(colour, 0, 0), 0x0000FF);
    EXPECT_EQ(colour.pixel(0, 0), qRgb(255, 0, 0)) << "0x00BBGGRR: the low byte is red";
}

TEST(QrBitmap, RefusedBlankImagesLeaveTheBitmapEmpty)
{
    QImage image;
    ASSERT_TRUE(bitmap_create_blank(image, 2, 2, 24, kWhite));
    EXPECT_FALSE(bitmap_create_blank(image, 0, 10, 1, kBlack));
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(bitmap_create_blank(image, 10, -1, 1, kBlack));
    EXPECT_FALSE(bitmap_create_blank(image, 10, 10, 7, kBlack));
    EXPECT_FALSE(bitmap_create_blank(image, 100000, 100000, 1, kBlack));
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(bitmap_to_file_data(image).isEmpty());
}

TEST(QrBitmap, PixelsOutsideTheImageReadAsZero)
{
    QImage image;
    ASSERT_TRUE(bitmap_create_blank(image, 3, 3, 24, kWhite));
    EXPECT_EQ(bitmap_get_pixel(image, 2, 2), kWhite);
    EXPECT_EQ(bitmap_get_pixel(image, 3, 0), 0);
    EXPECT_EQ(bitmap_get_pixel(image, 0, 3), 0);
    EXPECT_EQ(bitmap_get_pixel(image, -1, 0), 0);
    EXPECT_EQ(bitmap_get_pixel(QImage(), 0, 0), 0);
}

TEST(QrBitmap, CopyToTwoColourTargetTakesTheNearerEntryAndClips)
{
    QImage source;
    ASSERT_TRUE(bitmap_create_blank(source, 4, 1, 24, kWhite));
    source.setPixel(0, 0, qRgb(0x40, 0x40, 0x40));
    source.setPixel(1, 0, qRgb(0xC0, 0xC0, 0xC0));
    source.setPixel(2, 0, qRgb(0xFF, 0, 0));
    source.setPixel(3, 0, qRgb(0x90, 0x90, 0x90));

    QImage target;
    ASSERT_TRUE(bitmap_create_blank(target, 3, 2, 1, kBlack));
    // One column hangs over the target's right edge, one row below the source: both are skipped.
    ASSERT_TRUE(bitmap_copy_block(source, 0, 0, 4, 2, target, 0, 1));
    EXPECT_EQ(bitmap_get_pixel(target, 0, 1), kBlack);
    EXPECT_EQ(bitmap_get_pixel(target, 1, 1), kWhite);
    EXPECT_EQ(bitmap_get_pixel(target, 2, 1), kBlack);
    EXPECT_EQ(bitmap_get_pixel(target, 1, 0), kBlack) << "rows above the target point stay";

    QImage colour;
    ASSERT_TRUE(bitmap_create_blank(colour, 2, 1, 24, kBlack));
    ASSERT_TRUE(bitmap_copy_block(source, 2, 0, 2, 1, colour, 0, 0));
    EXPECT_EQ(bitmap_get_pixel(colour, 0, 0), 0x0000FF);
    EXPECT_EQ(bitmap_get_pixel(colour, 1, 0), 0x909090);

    QImage empty;
    EXPECT_FALSE(bitmap_copy_block(empty, 0, 0, 1, 1, colour, 0, 0));
    EXPECT_FALSE(bitmap_copy_block(source, 0, 0, 1, 1, empty, 0, 0));
}

TEST(QrBitmap, TwoColourFileLayout)
{
    // 10 x 3: rows of 2 bytes padded to 4, bottom row first, bit 1 = palette index 1 (white).
    QImage image;
    ASSERT_TRUE(bitmap_create_blank(image, 10, 3, 1, kWhite));
    image.setPixel(0, 0, 0); // top left, palette index 0 = black
    image.setPixel(9, 2, 0); // bottom right
    const QByteArray data = bitmap_to_file_data(image);

    ASSERT_EQ(data.size(), 14 + 40 + 8 + 3 * 4);
    EXPECT_EQ(data.left(2), QByteArray("BM"));
    EXPECT_EQ(u32_at(data, 2), std::uint32_t(data.size()));
    EXPECT_EQ(u32_at(data, 10), 62u);
    EXPECT_EQ(u32_at(data, 14), 40u);
    EXPECT_EQ(u32_at(data, 18), 10u);
    EXPECT_EQ(u32_at(data, 22), 3u);
    EXPECT_EQ(u16_at(data, 26), 1);
    EXPECT_EQ(u16_at(data, 28), 1);
    EXPECT_EQ(u32_at(data, 30), 0u);
    EXPECT_EQ(data.mid(54, 8), QByteArray("\x00\x00\x00\x00\xFF\xFF\xFF\x00", 8));
    EXPECT_EQ(data.mid(62, 4), QByteArray("\xFF\x80\x00\x00", 4)) << "bottom row: last pixel black";
    EXPECT_EQ(data.mid(66, 4), QByteArray("\xFF\xC0\x00\x00", 4));
    EXPECT_EQ(data.mid(70, 4), QByteArray("\x7F\xC0\x00\x00", 4)) << "top row: first pixel black";
}

TEST(QrBitmap, FilesRoundTripThroughLoad)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    QImage mono;
    ASSERT_TRUE(bitmap_create_blank(mono, 13, 9, 1, kWhite));
    for (int i = 0; i < 9; ++i)
        mono.setPixel(i, i, 0);
    QImage colour;
    ASSERT_TRUE(bitmap_create_blank(colour, 5, 3, 24, 0x00FF00));
    colour.setPixel(4, 2, qRgb(1, 2, 3));

    for (const QImage& original : {mono, colour}) {
        const QString path = folder.filePath(QStringLiteral("round.bmp"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bitmap_to_file_data(original));
        file.close();

        QImage loaded;
        ASSERT_TRUE(bitmap_load_file(loaded, path.toStdString()));
        ASSERT_EQ(loaded.size(), original.size());
        for (int y = 0; y < original.height(); ++y)
            for (int x = 0; x < original.width(); ++x)
                ASSERT_EQ(bitmap_get_pixel(loaded, x, y), bitmap_get_pixel(original, x, y)) << x << "," << y;
    }
}

TEST(QrBitmap, LoadingSomethingElseKeepsTheBitmap)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("not.bmp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM this is no bitmap");
    file.close();

    QImage image;
    ASSERT_TRUE(bitmap_create_blank(image, 400, 400, 1, kBlack));
    EXPECT_FALSE(bitmap_load_file(image, path.toStdString()));
    EXPECT_FALSE(bitmap_load_file(image, folder.filePath(QStringLiteral("missing.bmp")).toStdString()));
    EXPECT_FALSE(bitmap_load_file(image, ""));
    EXPECT_EQ(image.size(), QSize(400, 400));
    EXPECT_EQ(bitmap_get_pixel(image, 399, 399), kBlack);
}
