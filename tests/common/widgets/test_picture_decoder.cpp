#include <gtest/gtest.h>

#include "common/widgets/picturedecoder.h"
#include "tests/common/widgets/picture_samples.h"
#include "tests/support/cannotrun.h"
#include "tests/support/pictures.h"

namespace {

using common::decode_picture;

void expect_quadrants(const QImage& image, int width, int height, int tolerance = 40)
{
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    const int x1 = width / 4, x2 = 3 * width / 4, y1 = height / 4, y2 = 3 * height / 4;
    EXPECT_TRUE(samples::near(image.pixel(x1, y1), qRgb(255, 0, 0), tolerance));
    EXPECT_TRUE(samples::near(image.pixel(x2, y1), qRgb(0, 255, 0), tolerance));
    EXPECT_TRUE(samples::near(image.pixel(x1, y2), qRgb(0, 0, 255), tolerance));
    EXPECT_TRUE(samples::near(image.pixel(x2, y2), qRgb(255, 255, 0), tolerance));
}

TEST(PictureDecoder, DecodesEveryKindByContent)
{
    const QImage source = samples::quadrants(40, 30);
    expect_quadrants(decode_picture(encoded_picture(source, "JPG")), 40, 30);
    expect_quadrants(decode_picture(encoded_picture(source, "PNG")), 40, 30, 0);
    expect_quadrants(decode_picture(encoded_picture(source, "BMP")), 40, 30, 0);
    expect_quadrants(decode_picture(samples::gif(source)), 40, 30, 0);
    expect_quadrants(decode_picture(encoded_picture(source, "ICO")), 40, 30, 0);

    // A cursor file is an icon file with type 2.
    QByteArray cursor = encoded_picture(source, "ICO");
    cursor[2] = 2;
    expect_quadrants(decode_picture(cursor), 40, 30, 0);
}

TEST(PictureDecoder, DecodesPngWithTransparencyAndGreyJpeg)
{
    QImage clear(8, 8, QImage::Format_ARGB32);
    clear.fill(qRgba(0, 0, 255, 0));
    const QImage decoded = decode_picture(encoded_picture(clear, "PNG"));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(qAlpha(decoded.pixel(3, 3)), 0);

    QImage grey(16, 16, QImage::Format_Grayscale8);
    grey.fill(200);
    const QImage grey_decoded = decode_picture(encoded_picture(grey, "JPG"));
    ASSERT_FALSE(grey_decoded.isNull());
    EXPECT_TRUE(samples::near(grey_decoded.pixel(8, 8), qRgb(200, 200, 200), 6));
}

TEST(PictureDecoder, DecodesImageMagickKinds)
{
    const QImage source = samples::quadrants(30, 20);
    const QByteArray pcx = samples::converted(source, "pcx");
    if (pcx.isEmpty())
        SKIP_OR_FAIL_UNDER_CI("ImageMagick convert is not available");
    expect_quadrants(decode_picture(pcx), 30, 20, 0);
    expect_quadrants(
        decode_picture(samples::converted(source, "pcx", {QStringLiteral("-type"), QStringLiteral("Palette")})), 30, 20,
        0);
    // Odd width: each PCX line is padded to an even byte count.
    expect_quadrants(decode_picture(samples::converted(samples::quadrants(31, 21), "pcx")), 31, 21, 0);
    expect_quadrants(
        decode_picture(samples::converted(source, "jpg", {QStringLiteral("-colorspace"), QStringLiteral("CMYK")})), 30,
        20);
    expect_quadrants(
        decode_picture(samples::converted(source, "jpg", {QStringLiteral("-interlace"), QStringLiteral("JPEG")})), 30,
        20);
}

TEST(PictureDecoder, EmptyGarbageAndUnknownGiveNull)
{
    EXPECT_TRUE(decode_picture({}).isNull());
    EXPECT_TRUE(decode_picture(QByteArray("hello, this is no picture")).isNull());
    EXPECT_TRUE(decode_picture(QByteArray(1000, '\0')).isNull());
    // A PPM is a picture, but not one of the kinds a picture box shows.
    EXPECT_TRUE(decode_picture(encoded_picture(samples::quadrants(4, 4), "PPM")).isNull());
    // Magic numbers alone.
    EXPECT_TRUE(decode_picture(QByteArray("\xFF\xD8\xFF", 3)).isNull());
    EXPECT_TRUE(decode_picture(QByteArray("\x89PNG\r\n\x1A\n", 8)).isNull());
    EXPECT_TRUE(decode_picture(QByteArray("BM")).isNull());
    EXPECT_TRUE(decode_picture(QByteArray("GIF89a")).isNull());
    EXPECT_TRUE(decode_picture(QByteArray("\x0A\x05\x01\x08", 4)).isNull());
}

TEST(PictureDecoder, TruncatedPngAndPcxGiveNull)
{
    const QImage source = samples::quadrants(64, 48);
    const QByteArray png = encoded_picture(source, "PNG");
    ASSERT_FALSE(decode_picture(png).isNull());
    for (int keep : {png.size() / 4, png.size() / 2, png.size() - 20})
        EXPECT_TRUE(decode_picture(png.left(keep)).isNull()) << "cut to " << keep;
    const QByteArray pcx = samples::converted(source, "pcx");
    if (!pcx.isEmpty()) {
        EXPECT_TRUE(decode_picture(pcx.left(pcx.size() / 2)).isNull());
    }
}

// A JPEG shows what it holds: whole without its end marker, its top rows when cut short.
TEST(PictureDecoder, TruncatedJpegShowsTheRowsThatArrived)
{
    const QImage source = samples::quadrants(64, 48);
    const QByteArray whole = encoded_picture(source, "JPG");
    const QImage expected = decode_picture(whole);
    ASSERT_TRUE(whole.endsWith("\xFF\xD9"));
    EXPECT_EQ(decode_picture(whole.left(whole.size() - 2)), expected);

    // Cut half-way through the coded rows, behind the tables and the scan header.
    const qsizetype scan = whole.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    const QImage half = decode_picture(whole.left(scan + (whole.size() - scan) / 2));
    ASSERT_EQ(half.size(), expected.size());
    EXPECT_EQ(half.copy(0, 0, 64, 8), expected.copy(0, 0, 64, 8));
    EXPECT_TRUE(samples::near(half.pixel(16, 4), qRgb(255, 0, 0), 40));

    // Cut inside the header: nothing to show.
    EXPECT_TRUE(decode_picture(whole.left(40)).isNull());
}

TEST(PictureDecoder, CorruptBytesNeverCrash)
{
    const QImage source = samples::quadrants(32, 32);
    for (const char* format : {"JPG", "PNG", "BMP", "ICO"}) {
        const QByteArray whole = encoded_picture(source, format);
        for (int pos = 0; pos < whole.size(); pos += 7) {
            QByteArray broken = whole;
            broken[pos] = char(broken[pos] ^ 0x5A);
            const QImage image = decode_picture(broken);
            if (!image.isNull()) {
                EXPECT_GT(image.width() * image.height(), 0);
            }
        }
    }
}

quint32 png_crc(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

TEST(PictureDecoder, HugeClaimedSizeGivesNullWithoutAbort)
{
    // A valid PNG header (CRC included) claiming 60000 x 60000 pixels, with a 2 x 2 picture's data.
    QByteArray png = encoded_picture(samples::quadrants(2, 2), "PNG");
    png[16] = 0, png[17] = 0, png[18] = char(0xEA), png[19] = 0x60;
    png[20] = 0, png[21] = 0, png[22] = char(0xEA), png[23] = 0x60;
    const quint32 crc = png_crc(png.mid(12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
    EXPECT_TRUE(decode_picture(png).isNull());

    // A JPEG frame header claiming 65000 x 65000 pixels, its data cut short as well.
    QByteArray jpeg = encoded_picture(samples::quadrants(16, 16), "JPG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    for (int i : {5, 7}) {
        jpeg[frame + i] = char(0xFD);
        jpeg[frame + i + 1] = char(0xE8);
    }
    EXPECT_TRUE(decode_picture(jpeg).isNull());
    EXPECT_TRUE(decode_picture(jpeg.left(jpeg.size() / 2)).isNull());

    // A PCX header claiming 65535 x 65535 pixels.
    QByteArray pcx(128, '\0');
    pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1, pcx[3] = 8, pcx[65] = 3;
    pcx[8] = char(0xFE), pcx[9] = char(0xFF), pcx[10] = char(0xFE), pcx[11] = char(0xFF);
    pcx[66] = char(0xFF), pcx[67] = char(0xFF);
    EXPECT_TRUE(decode_picture(pcx).isNull());
}

} // namespace
