#pragma once

#include <QByteArray>
#include <QImage>

// Decodes the whole bytes of a picture file. The kind is told by the content, never by a name:
// JPEG, PNG, BMP, GIF, ICO, CUR and PCX. Empty, unrecognised or corrupt data gives a null image;
// no input makes it crash, abort or hang. Needs only QtGui, so the fuzz target can link it alone.
namespace common {

QImage decode_picture(const QByteArray& data);

} // namespace common
