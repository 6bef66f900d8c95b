#include "server/qr/bitmap.h"

#include <cstdint>
#include <limits>

#include "common/text/files.h"

#include <QColor>

namespace server {

namespace {

// Keeps a stray size from asking for gigabytes; the QR picture needs 400 x 400.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

QRgb to_qrgb(int colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int from_qrgb(QRgb rgb)
{
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

int nearest_palette_index(const QList<QRgb>& palette, QRgb rgb)
{
    int best = 0;
    std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < palette.size(); ++i) {
        const std::int64_t dr = qRed(palette[i]) - qRed(rgb);
        const std::int64_t dg = qGreen(palette[i]) - qGreen(rgb);
        const std::int64_t db = qBlue(palette[i]) - qBlue(rgb);
        const std::int64_t distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

bool is_two_colour(const QImage& image)
{
    return image.depth() == 1 && image.colorCount() == 2;
}

void put_u16(common::ByteData& data, int value)
{
    data.append(char(value & 0xFF));
    data.append(char((value >> 8) & 0xFF));
}

void put_u32(common::ByteData& data, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        data.append(char((value >> shift) & 0xFF));
}

} // namespace

bool bitmap_create_blank(QImage& bitmap, int width, int height, int bits_per_pixel, int fill_colour)
{
    bitmap = QImage();
    if (width < 1 || height < 1 || std::int64_t{width} * height > kMaxPixels)
        return false;
    const QRgb fill = to_qrgb(fill_colour);
    switch (bits_per_pixel) {
    case 1: {
        QImage image(width, height, QImage::Format_Mono);
        if (image.isNull())
            return false;
        const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        image.setColorTable(palette);
        image.fill(nearest_palette_index(palette, fill));
        bitmap = image;
        return true;
    }
    case 24:
    case 32: {
        QImage image(width, height, bits_per_pixel == 24 ? QImage::Format_RGB888 : QImage::Format_RGB32);
        if (image.isNull())
            return false;
        image.fill(QColor(fill));
        bitmap = image;
        return true;
    }
    default:
        return false;
    }
}

bool bitmap_load_file(QImage& bitmap, const common::GbkText& file_name)
{
    return bitmap_load_file_data(bitmap, common::read_file(file_name));
}

bool bitmap_load_file_data(QImage& bitmap, const common::ByteData& data)
{
    QImage image;
    if (data.isEmpty() || !image.loadFromData(data, "BMP"))
        return false;
    bitmap = image;
    return true;
}

int bitmap_get_pixel(const QImage& bitmap, int x, int y)
{
    if (!bitmap.valid(x, y))
        return 0;
    return from_qrgb(bitmap.pixel(x, y));
}

bool bitmap_copy_block(const QImage& source, int x, int y, int width, int height, QImage& target, int target_x,
                       int target_y)
{
    if (source.isNull() || target.isNull())
        return false;
    const bool indexed = target.colorCount() > 0;
    const QList<QRgb> palette = target.colorTable();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const int sx = x + column;
            const int sy = y + row;
            const int tx = target_x + column;
            const int ty = target_y + row;
            if (!source.valid(sx, sy) || !target.valid(tx, ty))
                continue;
            const QRgb rgb = source.pixel(sx, sy);
            if (indexed)
                target.setPixel(tx, ty, uint(nearest_palette_index(palette, rgb)));
            else
                target.setPixel(tx, ty, rgb);
        }
    }
    return true;
}

common::ByteData bitmap_to_file_data(const QImage& bitmap)
{
    if (bitmap.isNull())
        return {};
    const bool mono = is_two_colour(bitmap);
    const int width = bitmap.width();
    const int height = bitmap.height();
    const int bits = mono ? 1 : 24;
    const int row_bytes = ((width * bits + 31) / 32) * 4;
    const int palette_bytes = mono ? 2 * 4 : 0;
    const std::int64_t pixel_bytes = std::int64_t{row_bytes} * height;
    const std::int64_t file_size = kFileHeaderSize + kInfoHeaderSize + palette_bytes + pixel_bytes;
    if (file_size > std::numeric_limits<std::int32_t>::max())
        return {};

    common::ByteData data;
    data.reserve(int(file_size));
    data.append("BM", 2);
    put_u32(data, std::uint32_t(file_size));
    put_u32(data, 0);
    put_u32(data, std::uint32_t(kFileHeaderSize + kInfoHeaderSize + palette_bytes));

    put_u32(data, kInfoHeaderSize);
    put_u32(data, std::uint32_t(width));
    put_u32(data, std::uint32_t(height)); // positive: rows stored bottom row first
    put_u16(data, 1);
    put_u16(data, bits);
    put_u32(data, 0); // no compression
    put_u32(data, std::uint32_t(pixel_bytes));
    put_u32(data, 0);
    put_u32(data, 0);
    put_u32(data, mono ? 2 : 0);
    put_u32(data, 0);

    if (mono) {
        for (const QRgb entry : bitmap.colorTable()) {
            data.append(char(qBlue(entry)));
            data.append(char(qGreen(entry)));
            data.append(char(qRed(entry)));
            data.append('\0');
        }
    }

    QByteArray row(row_bytes, '\0');
    for (int y = height - 1; y >= 0; --y) {
        row.fill('\0');
        if (mono) {
            for (int x = 0; x < width; ++x) {
                if (bitmap.pixelIndex(x, y) != 0)
                    row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const QRgb rgb = bitmap.pixel(x, y);
                row[3 * x] = char(qBlue(rgb));
                row[3 * x + 1] = char(qGreen(rgb));
                row[3 * x + 2] = char(qRed(rgb));
            }
        }
        data.append(row);
    }
    return data;
}

} // namespace server
