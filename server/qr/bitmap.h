#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QImage>

// Bitmap services on QImage. x counts columns from the left, y rows from the top, both from 0. A
// colour is an int 0x00BBGGRR, black being 0. A default-constructed QImage is the empty bitmap.
namespace server {

// A new width x height image at 1, 24 or 32 bits per pixel with every pixel the fill colour. At 1 bit
// per pixel the palette is black (index 0) then white (index 1) and the fill takes the nearer entry.
// Another depth, a side below 1 or an image too large to hold gives false and the empty bitmap.
bool bitmap_create_blank(QImage& bitmap, int width, int height, int bits_per_pixel, int fill_colour);

// The image of a BMP file; anything else (missing file, other format, corrupt data) gives false and
// leaves the bitmap as it was.
bool bitmap_load_file(QImage& bitmap, const common::GbkText& file_name);
// The same from the file's bytes.
bool bitmap_load_file_data(QImage& bitmap, const common::ByteData& data);

// 0 for a point outside the image.
int bitmap_get_pixel(const QImage& bitmap, int x, int y);

// Copies the rectangle pixel by pixel; a target with a palette gets for each pixel the entry nearest
// to its colour. Pixels that fall outside the source or the target are skipped. False when either
// image is empty.
bool bitmap_copy_block(const QImage& source, int x, int y, int width, int height, QImage& target, int target_x,
                       int target_y);

// The image as a complete BMP file: 1 bit per pixel with the image's own two-entry palette for a
// two-colour image, 24 bits per pixel otherwise. The empty bitmap gives empty data.
common::ByteData bitmap_to_file_data(const QImage& bitmap);

} // namespace server
