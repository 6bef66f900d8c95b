#include "webaccess/responseparsing.h"

#include <algorithm>
#include <iterator>

#include "common/text/numbers.h"
#include "webaccess/iconvconverter.h"
#include "webaccess/regexobject.h"
#include "webaccess/textconversion.h"

namespace webaccess {

namespace {

const char* const kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr int kCharsetScanBytes = 1024;
constexpr int kStatusStart = 10;

void run(const std::function<void()>& callback)
{
    if (callback)
        callback();
}

// Names of code page 936 in any letter case. iconv's tables of these names lack codes that the
// page may hold (ǹ, ḿ, the user-defined areas), so such a page goes through the windows' codec.
bool names_code_page_936(const GbkText& charset)
{
    const char* const names[] = {"gbk", "gb2312", "cp936", "ms936", "windows-936", "x-gbk"};
    return std::any_of(std::begin(names), std::end(names),
                       [&charset](const char* name) { return common::text_compare(charset, name, false) == 0; });
}

// The page bytes decoded from the named charset into GBK; nullopt for a charset iconv lacks.
std::optional<GbkText> decode_page(const ByteData& data, const GbkText& charset)
{
    if (names_code_page_936(charset))
        return wide_to_ansi(ansi_to_wide(common::to_text(data)));
    const auto wide = convert_charset(charset.c_str(), "UTF-16LE", data, 1, ByteData("\xFD\xFF", 2));
    if (!wide)
        return std::nullopt;
    return wide_to_ansi(*wide);
}

} // namespace

ResponseHeaders read_response_headers(const GbkText& header_block, const std::function<void()>& after_line)
{
    ResponseHeaders result;
    const int line_end = common::find_text(header_block, "\r\n", kStatusStart, false);
    if (line_end != -1)
        result.status_text = common::text_mid(header_block, kStatusStart, line_end - kStatusStart);

    result.headers = common::replace_text(header_block, "Set-Cookie", "Set-Cookie", 1, common::kAll, false);
    GbkText cookies;
    bool any_cookie = false;
    for (const GbkText& line : common::split_text(result.headers, "\r\n")) {
        if (common::find_text(line, "Set-Cookie", 1, false) != -1) {
            const GbkText pair =
                common::find_text(line, ";", 1, false) != -1
                    ? common::trim_spaces(text_between(line, "Set-Cookie:", ";"))
                    : common::trim_spaces(common::replace_text(line, "Set-Cookie:", "", 1, common::kAll, false));
            cookies += (any_cookie ? "; " : "") + pair;
            any_cookie = true;
        }
        if (common::text_compare(common::text_left(line, 10), "Location: ", false) == 0)
            result.location = common::text_mid(line, 11, common::text_byte_length(line) - 10);
        run(after_line);
    }
    if (any_cookie)
        result.cookies = cookies;
    return result;
}

GbkText page_text(const ByteData& body, RegexObject& regex, const std::function<void()>& after_scan)
{
    GbkText text = common::to_text(body);
    if (regex.create(kCharsetPattern, common::text_left(text, kCharsetScanBytes))) {
        const GbkText charset = regex.submatch_text(1, 1);
        if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
            // A charset that iconv does not know leaves the page as it came.
            if (const std::optional<GbkText> decoded = decode_page(body, charset))
                text = *decoded;
        }
        run(after_scan);
    }
    return text;
}

} // namespace webaccess
