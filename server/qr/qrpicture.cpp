#include "server/qr/qrpicture.h"

#include <algorithm>
#include <cmath>

#include "common/text/files.h"
#include "server/qr/bitmap.h"
#include "server/qr/qrcomponent.h"

namespace server {

namespace {

constexpr int kLastIndex = kQrImageSide - 1;
constexpr double kAppearanceMin = 0.02;
constexpr double kAppearanceMax = 0.26;
constexpr double kTolerance = 1e-7;

// Outside the image counts as white: a smaller file must not make a black square out of nothing.
bool is_black(const QImage& image, int x, int y)
{
    return image.valid(x, y) && bitmap_get_pixel(image, x, y) == 0;
}

double clamp_appearance(double appearance)
{
    if (std::isnan(appearance) || appearance < kAppearanceMin - kTolerance)
        return kAppearanceMin;
    if (appearance > kAppearanceMax + kTolerance)
        return kAppearanceMax;
    return appearance;
}

} // namespace

CodeSquare find_code_square(const QImage& image)
{
    CodeSquare square;
    bool found = false;
    for (int x = 0; x <= kLastIndex && !found; ++x) {
        for (int y = 0; y <= kLastIndex; ++y) {
            if (is_black(image, x, y)) {
                square.x = x;
                square.y = y;
                found = true;
                break;
            }
        }
    }
    for (int k = 1; k <= kLastIndex; ++k) {
        if (is_black(image, square.x + k - 1, square.y) && is_black(image, square.x, square.y + k - 1))
            square.side = k;
        if (square.x + k - 1 >= kLastIndex || square.y + k - 1 >= kLastIndex)
            break;
    }
    return square;
}

common::ByteData make_qr_picture(common::GbkText& message, int version, int level, double appearance)
{
    return make_qr_picture(qr_component(), message, version, level, appearance);
}

common::ByteData make_qr_picture(QrComponent& component, common::GbkText& message, int version, int level,
                                 double appearance)
{
    if (common::text_byte_length(message) > kQrMessageLimit)
        message = common::text_left(message, kQrMessageLimit);
    version = std::clamp(version, 0, 40);
    level = std::clamp(level, 0, 4);
    appearance = clamp_appearance(appearance);

    const common::GbkText temporary_file = common::program_directory() + "\\二维码图片.bmp";
    component.QRSetMessage(message.c_str());
    component.QRSetBackColor(255, 255, 255);
    component.QRSetBarColor(0, 0, 0);
    component.QRConfigure(version, level, 5);
    component.QRAppearance(appearance, 1, 0);
    component.QRSetSize(kQrImageSide, kQrImageSide);
    // A failed save would leave a stale file of an earlier address, or none and an all-black image:
    // neither may be shown as the code.
    const bool saved = component.QRSaveAsBMP(temporary_file.c_str());

    QImage drawn;
    bitmap_create_blank(drawn, kQrImageSide, kQrImageSide, 1, 0);
    const bool loaded = saved && bitmap_load_file(drawn, temporary_file);

    common::ByteData result;
    if (loaded) {
        const CodeSquare square = find_code_square(drawn);
        QImage code;
        bitmap_create_blank(code, square.side, square.side, 1, 0);
        bitmap_copy_block(drawn, square.x, square.y, square.side, square.side, code, 0, 0);
        result = bitmap_to_file_data(code);
    }
    common::remove_file(temporary_file);
    return result;
}

} // namespace server
