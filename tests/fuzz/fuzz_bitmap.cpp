// Any bytes may stand in the QR panel's bitmap file: a bitmap that loads is written out again as a
// BMP file that loads to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "server/qr/bitmap.h"
#include "tests/fuzz/check.h"

namespace {

// Bigger bitmaps are checked on a sample of rows only, to keep each run short.
constexpr int kCheckedRows = 64;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const common::ByteData bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage loaded;
    if (!server::bitmap_load_file_data(loaded, bytes)) {
        check(loaded.isNull());
        return 0;
    }
    check(!loaded.isNull() && loaded.width() > 0 && loaded.height() > 0);

    const common::ByteData written = server::bitmap_to_file_data(loaded);
    if (written.isEmpty())
        return 0; // too large for a BMP file of our own
    QImage again;
    check(server::bitmap_load_file_data(again, written));
    check(again.size() == loaded.size());
    const int step = loaded.height() > kCheckedRows ? loaded.height() / kCheckedRows : 1;
    for (int y = 0; y < loaded.height(); y += step) {
        for (int x = 0; x < loaded.width(); ++x)
            check(server::bitmap_get_pixel(again, x, y) == server::bitmap_get_pixel(loaded, x, y));
    }
    check(server::bitmap_get_pixel(loaded, -1, 0) == 0 && server::bitmap_get_pixel(loaded, loaded.width(), 0) == 0);
    return 0;
}
