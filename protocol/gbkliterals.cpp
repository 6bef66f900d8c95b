// Compiled into the two programs only: every text they send, show or store is a narrow literal,
// so a compiler that does not turn those into GBK bytes must not build them. (The fuzz targets
// share the libraries and are built by clang, which writes UTF-8; they send nothing.)
namespace protocol {

constexpr char kHan[] = "汉";
static_assert(sizeof(kHan) == 3 && static_cast<unsigned char>(kHan[0]) == 0xBA &&
                  static_cast<unsigned char>(kHan[1]) == 0xBA,
              "narrow string literals must be GBK bytes: build with GCC and -fexec-charset=GB18030");

} // namespace protocol
