#pragma once

#include <functional>
#include <optional>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

// What the request routine reads out of a final response, as functions of the header block and the
// body alone, so the routine and the fuzz target run the same code.
namespace webaccess {

using common::ByteData;
using common::GbkText;

class RegexObject;

struct ResponseHeaders
{
    // The status line from its tenth byte to its line end ("200 OK"); empty without a line end.
    GbkText status_text;
    // The block with every spelling of "Set-Cookie" written so.
    GbkText headers;
    // The name=value pairs of the Set-Cookie lines joined by "; "; nullopt when there is no such line.
    std::optional<GbkText> cookies;
    // The value of the last "Location: " line, its key in any letter case.
    std::optional<GbkText> location;
};

// after_line runs after each line: the routine lets waiting events run there.
ResponseHeaders read_response_headers(const GbkText& header_block, const std::function<void()>& after_line = {});

// The body up to its first zero byte as GBK text; decoded from the charset that a meta tag in its
// first 1024 bytes declares, unless that is "gbk" or "gb2312" or a charset iconv does not know.
// after_scan runs once the declaration was looked for.
GbkText page_text(const ByteData& body, RegexObject& regex, const std::function<void()>& after_scan = {});

} // namespace webaccess
