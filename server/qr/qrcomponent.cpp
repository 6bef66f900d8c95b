#include "server/qr/qrcomponent.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/text/files.h"
#include "server/qr/bitmap.h"

#include <qrencode.h>

namespace server {

namespace {

constexpr int kMaxSide = 4000;

int colour_of(int red, int green, int blue)
{
    return std::clamp(red, 0, 255) | (std::clamp(green, 0, 255) << 8) | (std::clamp(blue, 0, 255) << 16);
}

QRecLevel level_of(int level)
{
    switch (std::clamp(level, 0, 3)) {
    case 0:
        return QR_ECLEVEL_L;
    case 1:
        return QR_ECLEVEL_M;
    case 2:
        return QR_ECLEVEL_Q;
    default:
        return QR_ECLEVEL_H;
    }
}

struct QrCodeFree
{
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

void QrComponent::QRSetMessage(const char* message)
{
    m_message = message ? message : "";
}

void QrComponent::QRSetBackColor(int red, int green, int blue)
{
    m_back = colour_of(red, green, blue);
}

void QrComponent::QRSetBarColor(int red, int green, int blue)
{
    m_bar = colour_of(red, green, blue);
}

void QrComponent::QRConfigure(int version, int level, int /*mask*/)
{
    m_version = std::clamp(version, 0, 40);
    m_level = std::clamp(level, 0, 3);
}

void QrComponent::QRAppearance(double margin, int whole_pixels, int /*reserved*/)
{
    m_margin = std::isnan(margin) ? 0.02 : std::clamp(margin, 0.02, 0.26);
    m_whole_pixels = whole_pixels != 0;
}

void QrComponent::QRSetSize(int width, int height)
{
    m_width = std::clamp(width, 1, kMaxSide);
    m_height = std::clamp(height, 1, kMaxSide);
}

bool QrComponent::QRSaveAsBMP(const char* file_name)
{
    if (m_message.empty() || !file_name || !*file_name)
        return false;
    const std::unique_ptr<QRcode, QrCodeFree> code(
        QRcode_encodeString(m_message.c_str(), m_version, level_of(m_level), QR_MODE_8, 1));
    if (!code)
        return false;

    const int modules = code->width;
    const int side = std::min(m_width, m_height);
    const int margin = int(std::lround(side * m_margin));
    const int inner = side - 2 * margin;
    const int code_side = m_whole_pixels ? std::max(1, inner / modules) * modules : std::max(inner, modules);
    if (code_side > side)
        return false;
    const int left = (m_width - code_side) / 2;
    const int top = (m_height - code_side) / 2;

    QImage image;
    if (!bitmap_create_blank(image, m_width, m_height, 24, m_back))
        return false;
    const QRgb bar = qRgb(m_bar & 0xFF, (m_bar >> 8) & 0xFF, (m_bar >> 16) & 0xFF);
    for (int y = 0; y < code_side; ++y) {
        const int module_row = y * modules / code_side;
        for (int x = 0; x < code_side; ++x) {
            const int module_column = x * modules / code_side;
            if (code->data[module_row * modules + module_column] & 1)
                image.setPixel(left + x, top + y, bar);
        }
    }

    const common::ByteData bmp = bitmap_to_file_data(image);
    const int file = common::open_file(file_name, common::kOpenCreateEmpty);
    if (file == 0)
        return false;
    const bool written = common::write_bytes(file, common::GbkText(bmp.constData(), std::size_t(bmp.size())));
    common::close_file(file);
    return written;
}

QrComponent& qr_component()
{
    static QrComponent component;
    return component;
}

} // namespace server
