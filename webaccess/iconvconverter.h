#pragma once

#include <optional>

#include "common/text/bytedata.h"

// Charset conversion through iconv, forgiving of bad input: a sequence that cannot be converted
// becomes the substitute and conversion goes on behind it, as the platform converters did.
namespace webaccess {

// input_unit: bytes skipped per unconvertible sequence (1 for byte charsets, 2 for UTF-16).
// nullopt when iconv knows neither name.
std::optional<common::ByteData> convert_charset(const char* from, const char* to, const common::ByteData& input,
                                                int input_unit, const common::ByteData& substitute);

} // namespace webaccess
