#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QImage>

// The QR picture of a short text: the QR component draws it into a temporary file in the program's
// folder, and the code is cut out of its white margin into a two-colour BMP.
namespace server {

class QrComponent;

// The longest message the component is given; a longer one is cut.
inline constexpr int kQrMessageLimit = 120;
// The side of the image the component draws and the scan covers.
inline constexpr int kQrImageSide = 400;

// The code's top left corner and side in pixels; side 0 when the image holds no black pixel there.
struct CodeSquare
{
    int x = 0;
    int y = 0;
    int side = 0;
};

// Finds the code in an image drawn black on white: the first black pixel scanning columns left to
// right, each top to bottom, is the corner; the side is the longest stretch k for which the pixels
// k - 1 to the right of it and k - 1 below it are both black, never probing past row or column 399.
CodeSquare find_code_square(const QImage& image);

// The message as a QR code: an s x s BMP at 1 bit per pixel, palette black then white, s the code's
// side. A message over 120 bytes is cut to its first 120, and the caller's text with it. version is
// clamped to 0..40, level to 0..4, appearance to 0.02..0.26. Empty data when no code could be made.
common::ByteData make_qr_picture(common::GbkText& message, int version = 0, int level = 0, double appearance = 0.02);
// The same with a given component instead of the process-wide one.
common::ByteData make_qr_picture(QrComponent& component, common::GbkText& message, int version = 0, int level = 0,
                                 double appearance = 0.02);

} // namespace server
