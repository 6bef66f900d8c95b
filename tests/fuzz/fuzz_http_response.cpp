// Any header block and body may come back from a web server: the request routine's readers of them
// never crash, the block keeps its bytes apart from the cookie key's letter case, each cookie line
// gives a pair, and a page that declares no charset is its body up to the first zero byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/text/gbktext.h"
#include "common/text/numbers.h"
#include "tests/fuzz/check.h"
#include "webaccess/regexobject.h"
#include "webaccess/responseparsing.h"

using namespace webaccess;

namespace {

bool contains_folded(const GbkText& text, const GbkText& part)
{
    return common::find_text(text, part, 1, true) != -1;
}

bool is_cookie_line(const GbkText& line)
{
    return common::find_text(line, "Set-Cookie", 1, false) != -1;
}

void check_headers(const GbkText& block)
{
    const ResponseHeaders read = read_response_headers(block);
    check(read.headers.size() == block.size());
    check(common::text_compare(read.headers, block, false) == 0);

    const common::TextList lines = common::split_text(read.headers, "\r\n");
    const auto cookie_lines = std::count_if(lines.begin(), lines.end(), is_cookie_line);
    check(read.cookies.has_value() == (cookie_lines > 0));
    // One pair per cookie line, joined by "; ".
    if (read.cookies)
        check(std::count(read.cookies->begin(), read.cookies->end(), ';') >= cookie_lines - 1);
    if (read.location) {
        const bool from_a_line = std::any_of(lines.begin(), lines.end(), [&](const GbkText& line) {
            return common::text_compare(common::text_left(line, 10), "Location: ", false) == 0 &&
                   line.substr(10) == *read.location;
        });
        check(from_a_line);
    }
    // The status text stands from the tenth byte up to a line end.
    if (!read.status_text.empty()) {
        check(block.compare(9, read.status_text.size(), read.status_text) == 0);
        check(block.compare(9 + read.status_text.size(), 2, "\r\n") == 0);
    }
}

void check_page(const common::ByteData& body)
{
    RegexObject regex;
    const GbkText page = page_text(body, regex);
    check(page.find('\0') == GbkText::npos);
    const GbkText head = common::text_left(common::to_text(body), 1024);
    if (!contains_folded(head, "charset="))
        check(page == common::to_text(body));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte splits the input into a header block and a body.
    if (size < 1)
        return 0;
    const std::size_t cut = std::min<std::size_t>(size - 1, std::size_t{data[0]} * 4);
    const GbkText block(reinterpret_cast<const char*>(data) + 1, cut);
    const common::ByteData body(reinterpret_cast<const char*>(data) + 1 + cut, static_cast<qsizetype>(size - 1 - cut));
    check_headers(block);
    check_page(body);
    return 0;
}
