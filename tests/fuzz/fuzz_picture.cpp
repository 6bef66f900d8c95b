#include <cstddef>
#include <cstdint>

#include "common/widgets/picturedecoder.h"

// Any bytes may arrive as a picture over FTP or from a file: the decoder must never crash or hang.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage image = common::decode_picture(bytes);
    if (!image.isNull() && (image.width() <= 0 || image.height() <= 0))
        __builtin_trap();
    return 0;
}
