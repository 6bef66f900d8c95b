#pragma once

#include <QByteArray>
#include <QImage>

// Picture files made on the spot for the tests, in every kind the decoder knows.
namespace samples {

// Four quadrants: red top left, green top right, blue bottom left, yellow bottom right.
QImage quadrants(int width, int height);
// A GIF of the image, colours reduced to a fixed 8-colour palette.
QByteArray gif(const QImage& image);
// The image converted by ImageMagick to the kind named ("pcx", "jpg" ...) with extra options;
// empty when ImageMagick is missing.
QByteArray converted(const QImage& image, const char* kind, const QStringList& options = {});

// Whether colour a is within tolerance of b on every channel (JPEG is lossy).
bool near(QRgb a, QRgb b, int tolerance = 40);

} // namespace samples
