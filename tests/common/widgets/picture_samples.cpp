#include "tests/common/widgets/picture_samples.h"

#include <cstdlib>

#include "tests/support/pictures.h"

#include <QProcess>
#include <QTemporaryDir>

namespace samples {

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            QRgb colour =
                !bottom ? (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0)) : (right ? qRgb(255, 255, 0) : qRgb(0, 0, 255));
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

namespace {

// Index into the 8-colour palette: one bit per channel.
int palette_index(QRgb colour)
{
    return (qRed(colour) >= 128 ? 1 : 0) | (qGreen(colour) >= 128 ? 2 : 0) | (qBlue(colour) >= 128 ? 4 : 0);
}

void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

} // namespace

// Uncompressed LZW: every pixel goes out as a literal 4-bit code, with a clear code often enough
// that the code size never grows. Valid GIF, simple enough to trust.
QByteArray gif(const QImage& image)
{
    QByteArray out("GIF89a");
    put16(out, image.width());
    put16(out, image.height());
    out.append(char(0xF2)); // global palette of 8 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 8; ++i) {
        out.append(char(i & 1 ? 255 : 0));
        out.append(char(i & 2 ? 255 : 0));
        out.append(char(i & 4 ? 255 : 0));
    }
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width());
    put16(out, image.height());
    out.append(char(0));
    const int min_code_size = 3;
    out.append(char(min_code_size));
    const int clear = 1 << min_code_size;
    QByteArray packed;
    unsigned bits = 0;
    int bit_count = 0;
    auto emit_code = [&](int code) {
        bits |= unsigned(code) << bit_count;
        bit_count += 4;
        while (bit_count >= 8) {
            packed.append(char(bits & 0xFF));
            bits >>= 8;
            bit_count -= 8;
        }
    };
    int since_clear = 0;
    emit_code(clear);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (since_clear == 5) {
                emit_code(clear);
                since_clear = 0;
            }
            emit_code(palette_index(image.pixel(x, y)));
            ++since_clear;
        }
    }
    emit_code(clear + 1);
    if (bit_count > 0)
        packed.append(char(bits & 0xFF));
    for (int pos = 0; pos < packed.size(); pos += 255) {
        const QByteArray block = packed.mid(pos, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    out.append(';');
    return out;
}

QByteArray converted(const QImage& image, const char* kind, const QStringList& options)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.png"));
    const QString target = dir.filePath(QStringLiteral("target.") + QLatin1String(kind));
    if (!image.save(source, "PNG"))
        return {};
    QProcess convert;
    convert.start(QStringLiteral("convert"), QStringList{source} + options + QStringList{target});
    if (!convert.waitForFinished(30000) || convert.exitCode() != 0)
        return {};
    QFile file(target);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace samples
