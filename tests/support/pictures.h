#pragma once

#include <QByteArray>
#include <QImage>

// The file bytes of an image as Qt's own writer of that format ("JPG", "PNG", "BMP", "ICO") makes
// them: the handwriting pictures, logos and samples that tests put in place.
QByteArray encoded_picture(const QImage& image, const char* format, int quality = 95);
