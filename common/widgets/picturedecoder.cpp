#include "common/widgets/picturedecoder.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace common {
namespace {

// Bigger pictures than this are refused before any pixel memory is taken: a header may claim
// any size, and the contest's pictures are a few hundred pixels wide.
constexpr qint64 kMaxPixels = 40'000'000;
// A progressive JPEG may carry endless scans; real files have a dozen or so.
constexpr int kMaxJpegScans = 500;

bool size_acceptable(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width * height <= kMaxPixels;
}

bool starts_with(const QByteArray& data, const char* magic, int length)
{
    return data.size() >= length && std::memcmp(data.constData(), magic, length) == 0;
}

// --- JPEG -------------------------------------------------------------------------------------

struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpeg_fail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings stay quiet and decoding goes on: a file still being written, or one without its end
// marker, shows the rows that arrived, the rest filled in by libjpeg as it does for any reader.
void jpeg_message(j_common_ptr, int) {}

void jpeg_progress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        jpeg_fail(cinfo);
}

// Kept out of decode_jpeg so that no object with a destructor lives across setjmp.
bool read_jpeg(jpeg_decompress_struct& cinfo, JpegError& error, const QByteArray& data, QImage& image)
{
    if (setjmp(error.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (!size_acceptable(cinfo.image_width, cinfo.image_height))
        return false;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    image =
        QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_RGBX8888);
    if (image.isNull())
        return false;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            // Adobe writes CMYK inverted, so each value is already the amount of light kept.
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                unsigned char* p = row + 4 * x;
                const unsigned k = p[3];
                p[0] = static_cast<unsigned char>(p[0] * k / 255);
                p[1] = static_cast<unsigned char>(p[1] * k / 255);
                p[2] = static_cast<unsigned char>(p[2] * k / 255);
                p[3] = 0xFF;
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

QImage decode_jpeg(const QByteArray& data)
{
    jpeg_decompress_struct cinfo{};
    JpegError error{};
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpeg_fail;
    error.manager.emit_message = jpeg_message;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = jpeg_progress;
    cinfo.progress = &progress;
    QImage image;
    const bool ok = read_jpeg(cinfo, error, data, image);
    jpeg_destroy_decompress(&cinfo);
    return ok ? image : QImage();
}

// --- PNG --------------------------------------------------------------------------------------

QImage decode_png(const QByteArray& data)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), static_cast<size_t>(data.size())))
        return {};
    if (!size_acceptable(png.width, png.height)) {
        png_image_free(&png);
        return {};
    }
    png.format = PNG_FORMAT_RGBA;
    QImage image(static_cast<int>(png.width), static_cast<int>(png.height), QImage::Format_RGBA8888);
    if (image.isNull()) {
        png_image_free(&png);
        return {};
    }
    // finish_read frees the png_image's state whatever the outcome.
    if (!png_image_finish_read(&png, nullptr, image.bits(), static_cast<png_int_32>(image.bytesPerLine()), nullptr))
        return {};
    return image;
}

// --- PCX --------------------------------------------------------------------------------------

// The 128-byte PCX header: where each field sits. 16-bit fields are little-endian.
namespace pcx {
constexpr int kHeaderSize = 128;
constexpr int kManufacturer = 0; // 0x0A
constexpr int kVersion = 1;      // 0 to 5
constexpr int kEncoding = 2;     // 1: run-length, the only one there is
constexpr int kBitsPerPixel = 3;
constexpr int kXMin = 4;
constexpr int kYMin = 6;
constexpr int kXMax = 8;
constexpr int kYMax = 10;
constexpr int kHeaderPalette = 16; // 16 RGB triples, for 1-bit planes
constexpr int kPlanes = 65;
constexpr int kBytesPerLine = 66; // per plane, padding included

constexpr unsigned char kManufacturerMark = 0x0A;
constexpr int kLastVersion = 5;
constexpr unsigned char kRunLength = 1;
// The 256-colour palette of 8-bit files: a marker byte, then 256 RGB triples, at the end of the file.
constexpr unsigned char kPaletteMarker = 0x0C;
constexpr int kPaletteSize = 768;
} // namespace pcx

quint16 read_le16(const unsigned char* p)
{
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

// 8-bit paletted (palette after a 0x0C marker at the end), 8-bit RGB(A) planes, and 1-bit planes
// (1 plane black and white, 2 to 4 planes indexing the header's 16 colours).
QImage decode_pcx(const QByteArray& data)
{
    if (data.size() < pcx::kHeaderSize)
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const int bits = bytes[pcx::kBitsPerPixel];
    const int planes = bytes[pcx::kPlanes];
    const int width = read_le16(bytes + pcx::kXMax) - read_le16(bytes + pcx::kXMin) + 1;
    const int height = read_le16(bytes + pcx::kYMax) - read_le16(bytes + pcx::kYMin) + 1;
    const int bytes_per_line = read_le16(bytes + pcx::kBytesPerLine);
    const bool paletted8 = bits == 8 && planes == 1;
    const bool rgb8 = bits == 8 && (planes == 3 || planes == 4);
    const bool planar1 = bits == 1 && planes >= 1 && planes <= 4;
    if (!(paletted8 || rgb8 || planar1) || bytes[pcx::kEncoding] != pcx::kRunLength ||
        !size_acceptable(width, height) || bytes_per_line * 8 < width * bits)
        return {};

    QRgb palette[256] = {};
    if (paletted8) {
        constexpr int kMarkedPalette = 1 + pcx::kPaletteSize;
        if (data.size() < pcx::kHeaderSize + kMarkedPalette ||
            bytes[data.size() - kMarkedPalette] != pcx::kPaletteMarker)
            return {};
        const unsigned char* p = bytes + data.size() - pcx::kPaletteSize;
        for (int i = 0; i < 256; ++i)
            palette[i] = qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    } else if (planar1 && planes == 1) {
        palette[0] = qRgb(0, 0, 0);
        palette[1] = qRgb(255, 255, 255);
    } else if (planar1) {
        const unsigned char* p = bytes + pcx::kHeaderPalette;
        for (int i = 0; i < 16; ++i)
            palette[i] = qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    }

    QImage image(width, height, rgb8 && planes == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const qint64 line_size = qint64(bytes_per_line) * planes;
    QByteArray line(static_cast<int>(line_size), '\0');
    auto* out = reinterpret_cast<unsigned char*>(line.data());
    qint64 pos = pcx::kHeaderSize;
    const qint64 end = data.size();
    for (int y = 0; y < height; ++y) {
        // Run-length: a byte with the top two bits set repeats the next byte (count in the low six).
        qint64 filled = 0;
        while (filled < line_size) {
            if (pos >= end)
                return {};
            unsigned char value = bytes[pos++];
            qint64 count = 1;
            if ((value & 0xC0) == 0xC0) {
                count = value & 0x3F;
                if (pos >= end)
                    return {};
                value = bytes[pos++];
            }
            // A run may spill into the next line's padding; what does not fit is dropped.
            for (; count > 0 && filled < line_size; --count)
                out[filled++] = value;
        }
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (paletted8) {
                row[x] = palette[out[x]];
            } else if (rgb8) {
                const int alpha = planes == 4 ? out[3 * bytes_per_line + x] : 255;
                row[x] = qRgba(out[x], out[bytes_per_line + x], out[2 * bytes_per_line + x], alpha);
            } else {
                int index = 0;
                for (int plane = 0; plane < planes; ++plane)
                    index |= ((out[plane * bytes_per_line + x / 8] >> (7 - x % 8)) & 1) << plane;
                row[x] = palette[index];
            }
        }
    }
    return image;
}

// --- Kinds ------------------------------------------------------------------------------------

enum class Kind
{
    Unknown,
    Jpeg,
    Png,
    Bmp,
    Gif,
    Ico,
    Cur,
    Pcx,
};

Kind picture_kind(const QByteArray& data)
{
    if (starts_with(data, "\xFF\xD8\xFF", 3))
        return Kind::Jpeg;
    if (starts_with(data, "\x89PNG\r\n\x1A\n", 8))
        return Kind::Png;
    if (starts_with(data, "BM", 2))
        return Kind::Bmp;
    if (starts_with(data, "GIF87a", 6) || starts_with(data, "GIF89a", 6))
        return Kind::Gif;
    if (starts_with(data, "\0\0\1\0", 4))
        return Kind::Ico;
    if (starts_with(data, "\0\0\2\0", 4))
        return Kind::Cur;
    if (data.size() > pcx::kEncoding &&
        static_cast<unsigned char>(data[pcx::kManufacturer]) == pcx::kManufacturerMark &&
        static_cast<unsigned char>(data[pcx::kVersion]) <= pcx::kLastVersion &&
        static_cast<unsigned char>(data[pcx::kEncoding]) == pcx::kRunLength)
        return Kind::Pcx;
    return Kind::Unknown;
}

} // namespace

QImage decode_picture(const QByteArray& data)
{
    switch (picture_kind(data)) {
    case Kind::Jpeg:
        return decode_jpeg(data);
    case Kind::Png:
        return decode_png(data);
    case Kind::Pcx:
        return decode_pcx(data);
    case Kind::Bmp:
        return QImage::fromData(data, "BMP");
    case Kind::Gif:
        return QImage::fromData(data, "GIF");
    case Kind::Ico:
        return QImage::fromData(data, "ICO");
    case Kind::Cur:
        return QImage::fromData(data, "CUR");
    case Kind::Unknown:
        break;
    }
    return {};
}

} // namespace common
