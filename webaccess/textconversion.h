#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

// GBK <-> UTF-16 (code units low byte first) and cutting a value out of a page by two markers.
// Code page 936 on the GBK side, by the same codec as the windows; a character the other side lacks
// becomes "?".
namespace webaccess {

using common::ByteData;
using common::GbkText;

// The text up to its first zero byte in UTF-16, with one terminating zero unit unless
// without_terminator; the empty text gives empty data either way.
ByteData ansi_to_wide(const GbkText& text, bool without_terminator = false);

// Exactly the whole units of data (a trailing odd byte is ignored) in GBK, up to the first zero unit;
// combining marks are first composed with their base character where Unicode has the composite.
GbkText wide_to_ansi(const ByteData& data);

// The bytes after the first left marker (at or after start) up to the first right marker behind it;
// empty when either is missing. "#引号" in a marker stands for a double quote.
GbkText text_between(const GbkText& text, const GbkText& left, const GbkText& right, int start = 1,
                     bool ignore_case = false);

} // namespace webaccess
