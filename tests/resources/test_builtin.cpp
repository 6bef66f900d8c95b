#include <cmath>
#include <cstdint>
#include <functional>

#include <gtest/gtest.h>

#include "resources/builtin.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>

namespace {

std::uint32_t le32(const QByteArray& data, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

std::uint16_t le16(const QByteArray& data, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + at);
    return std::uint16_t(p[0] | (p[1] << 8));
}

// Decodes with the named format only, so a PNG stored as a JPEG (or the reverse) fails.
QImage decode(const QByteArray& data, const char* format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

struct Picture
{
    const char* name;
    std::function<QByteArray()> data;
    const char* file;
    const char* format;
    int width;
    int height;
};

const Picture kPictures[] = {
    {"tile_waiting", resources::tile_waiting_picture, "tile_waiting.jpg", "jpeg", 500, 276},
    {"tick", resources::tick_picture, "tick.png", "png", 128, 128},
    {"cross", resources::cross_picture, "cross.png", "png", 128, 128},
    {"question_icon", resources::question_icon_picture, "question_icon.png", "png", 128, 128},
    {"box_icon", resources::box_icon_picture, "box_icon.png", "png", 128, 128},
    {"default_logo", resources::default_logo_picture, "default_logo.jpg", "jpeg", 648, 360},
    {"display_background", resources::display_background_picture, "display_background.jpg", "jpeg", 994, 644},
};

QByteArray committed_file(const char* name)
{
    QFile file(qEnvironmentVariable("ORUVAN_SOURCE_DIR") + QStringLiteral("/resources/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(BuiltinPictures, DecodeInTheirFormatAtTheirSize)
{
    for (const Picture& picture : kPictures) {
        SCOPED_TRACE(picture.name);
        const QByteArray data = picture.data();
        ASSERT_FALSE(data.isEmpty());
        const QImage image = decode(data, picture.format);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), picture.width);
        EXPECT_EQ(image.height(), picture.height);
        // The embedded copy is the committed file, not a stale one.
        EXPECT_EQ(data, committed_file(picture.file));
    }
}

TEST(BuiltinPictures, MarksAndIconsAreEightBitRgbaOnTransparentGround)
{
    for (const Picture& picture : kPictures) {
        if (QByteArray(picture.format) != "png") {
            continue;
        }
        SCOPED_TRACE(picture.name);
        const QByteArray data = picture.data();
        ASSERT_GE(data.size(), 33);
        ASSERT_EQ(data.mid(12, 4), QByteArray("IHDR"));
        EXPECT_EQ(data.at(24), 8) << "bit depth";
        EXPECT_EQ(data.at(25), 6) << "colour type RGBA";
        const QImage image = decode(data, "png").convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(127, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(0, 127)), 0);
        EXPECT_EQ(qAlpha(image.pixel(127, 127)), 0);
    }
}

// Counts opaque pixels whose hue lies within `range` degrees of `hue`.
int opaque_pixels_near_hue(const QImage& image, int hue, int range)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() < 200 || c.hsvSaturation() < 100) {
                continue;
            }
            const int d = std::abs(c.hsvHue() - hue);
            if (std::min(d, 360 - d) <= range) {
                ++count;
            }
        }
    }
    return count;
}

TEST(BuiltinPictures, MarksHaveTheirColours)
{
    const QImage tick = decode(resources::tick_picture(), "png").convertToFormat(QImage::Format_ARGB32);
    const QImage cross = decode(resources::cross_picture(), "png").convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(opaque_pixels_near_hue(tick, 125, 30), 1500);
    EXPECT_LT(opaque_pixels_near_hue(tick, 0, 20), 50);
    EXPECT_GT(opaque_pixels_near_hue(cross, 0, 20), 1500);
    EXPECT_LT(opaque_pixels_near_hue(cross, 125, 30), 50);
    const QImage question = decode(resources::question_icon_picture(), "png").convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(opaque_pixels_near_hue(question, 215, 25), 4000);
    EXPECT_EQ(QColor(question.pixel(64, 64)).lightness() > 200 || QColor(question.pixel(64, 80)).lightness() > 200,
              true)
        << "a white question mark in the middle";
}

TEST(BuiltinPictures, WaitingTileIsBlackWithLightTextTopLeft)
{
    const QImage tile = decode(resources::tile_waiting_picture(), "jpeg");
    ASSERT_FALSE(tile.isNull());
    int bright_top_left = 0;
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 250; ++x) {
            if (QColor(tile.pixel(x, y)).lightness() > 120) {
                ++bright_top_left;
            }
        }
    }
    EXPECT_GT(bright_top_left, 300);
    for (int y = 120; y < 276; y += 7) {
        for (int x = 0; x < 500; x += 7) {
            ASSERT_LT(QColor(tile.pixel(x, y)).lightness(), 24) << x << "," << y;
        }
    }
}

TEST(BuiltinIcon, IsOne32By32ImageOf32BitsPerPixel)
{
    const QByteArray ico = resources::program_icon();
    ASSERT_EQ(ico.size(), 4286);
    EXPECT_EQ(le16(ico, 0), 0);
    EXPECT_EQ(le16(ico, 2), 1) << "icon, not cursor";
    EXPECT_EQ(le16(ico, 4), 1) << "one image";
    EXPECT_EQ(static_cast<unsigned char>(ico.at(6)), 32);
    EXPECT_EQ(static_cast<unsigned char>(ico.at(7)), 32);
    EXPECT_EQ(le16(ico, 12), 32) << "bits per pixel in the directory";
    EXPECT_EQ(le32(ico, 14) + le32(ico, 18), std::uint32_t(ico.size()));
    const int bmp = int(le32(ico, 18));
    EXPECT_EQ(le32(ico, bmp), 40u);
    EXPECT_EQ(le32(ico, bmp + 4), 32u);
    EXPECT_EQ(le32(ico, bmp + 8), 64u) << "height counts the AND mask";
    EXPECT_EQ(le16(ico, bmp + 14), 32) << "bits per pixel in the bitmap";
    EXPECT_EQ(committed_file("program.ico"), ico);

    const QImage image = decode(ico, "ico");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_TRUE(image.hasAlphaChannel());
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0) << "rounded corner is transparent";
    EXPECT_EQ(qAlpha(argb.pixel(16, 16)), 255);
}

struct Wav
{
    int channels = 0;
    int rate = 0;
    int bits = 0;
    QByteArray data;
};

Wav parse_canonical_wav(const QByteArray& file)
{
    Wav wav;
    EXPECT_GE(file.size(), 44);
    if (file.size() < 44) {
        return wav;
    }
    EXPECT_EQ(file.left(4), QByteArray("RIFF"));
    EXPECT_EQ(le32(file, 4), std::uint32_t(file.size() - 8));
    EXPECT_EQ(file.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1) << "PCM";
    wav.channels = le16(file, 22);
    wav.rate = int(le32(file, 24));
    EXPECT_EQ(le32(file, 28), std::uint32_t(wav.rate * wav.channels * 2)) << "byte rate";
    EXPECT_EQ(le16(file, 32), wav.channels * 2) << "block align";
    wav.bits = le16(file, 34);
    EXPECT_EQ(file.mid(36, 4), QByteArray("data"));
    const std::uint32_t length = le32(file, 40);
    EXPECT_EQ(length + 44, std::uint32_t(file.size()));
    wav.data = file.mid(44, int(length));
    return wav;
}

// Root mean square of the left channel over [from, to) seconds.
double rms(const Wav& wav, double from, double to)
{
    const int first = int(from * wav.rate);
    const int last = std::min(int(to * wav.rate), int(wav.data.size() / 4));
    double sum = 0;
    for (int i = first; i < last; ++i) {
        const double v = std::int16_t(le16(wav.data, i * 4));
        sum += v * v;
    }
    return last > first ? std::sqrt(sum / (last - first)) : 0;
}

TEST(BuiltinSounds, StartSoundFormatAndShape)
{
    const QByteArray file = resources::start_sound();
    const Wav wav = parse_canonical_wav(file);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_EQ(wav.bits, 16);
    ASSERT_EQ(wav.data.size(), 130000);
    EXPECT_EQ(committed_file("start.wav"), file);

    // Loudest at the start, fading out to the end.
    const double duration = 130000.0 / 4 / 22050;
    double previous = rms(wav, 0, 0.15);
    EXPECT_GT(previous, 3000);
    for (double t = 0.15; t + 0.15 <= duration; t += 0.15) {
        const double now = rms(wav, t, t + 0.15);
        EXPECT_LT(now, previous) << "at " << t << " s";
        previous = now;
    }
    EXPECT_LT(rms(wav, duration - 0.05, duration), 100);
}

TEST(BuiltinSounds, FinalSecondsSoundFormatAndShape)
{
    const QByteArray file = resources::final_seconds_sound();
    const Wav wav = parse_canonical_wav(file);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 24000);
    EXPECT_EQ(wav.bits, 16);
    ASSERT_EQ(wav.data.size(), 620736);
    EXPECT_EQ(committed_file("final_seconds.wav"), file);

    EXPECT_EQ(rms(wav, 0, 0.59), 0) << "silence before the first pip";
    for (int pip = 0; pip < 5; ++pip) {
        SCOPED_TRACE(pip);
        const double start = 0.6 + pip;
        EXPECT_GT(rms(wav, start, start + 0.08), 3000);
        EXPECT_EQ(rms(wav, start + 0.3, start + 0.95), 0) << "pips are short";
    }
    // The last tone lasts about half a second and begins one second after the last pip.
    EXPECT_GT(rms(wav, 5.6, 6.0), 3000);
    EXPECT_GT(rms(wav, 6.0, 6.05), 1000);
    EXPECT_EQ(rms(wav, 6.2, 6.46), 0);
}

} // namespace
