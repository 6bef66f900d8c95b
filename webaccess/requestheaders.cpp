#include "webaccess/requestheaders.h"

#include <curl/curl.h>

#include "common/text/numbers.h"

namespace webaccess {

namespace {

GbkText percent_encode_unsafe_bytes(const GbkText& url)
{
    static const char hex[] = "0123456789ABCDEF";
    GbkText encoded;
    for (char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || byte <= 0x20 || byte == 0x7F) {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

std::optional<GbkText> url_part(CURLU* handle, CURLUPart part, unsigned flags = 0)
{
    char* value = nullptr;
    if (curl_url_get(handle, part, &value, flags) != CURLUE_OK)
        return std::nullopt;
    GbkText text = value;
    curl_free(value);
    return text;
}

struct DefaultLine
{
    const char* key;
    bool ignore_case;
    const char* line;
};

const DefaultLine kDefaultLines[] = {
    {"User-Agent: ", true, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

} // namespace

std::optional<UrlParts> split_url(const GbkText& url)
{
    CURLU* handle = curl_url();
    if (!handle)
        return std::nullopt;
    std::optional<UrlParts> parts;
    const GbkText encoded = percent_encode_unsafe_bytes(url);
    if (curl_url_set(handle, CURLUPART_URL, encoded.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK) {
        const auto scheme = url_part(handle, CURLUPART_SCHEME);
        const auto host = url_part(handle, CURLUPART_HOST);
        const auto port = url_part(handle, CURLUPART_PORT, CURLU_DEFAULT_PORT);
        const auto path = url_part(handle, CURLUPART_PATH);
        const auto query = url_part(handle, CURLUPART_QUERY);
        const bool http = scheme && (common::text_compare(*scheme, "http", false) == 0 ||
                                     common::text_compare(*scheme, "https", false) == 0);
        if (http && host && !host->empty() && port) {
            parts = UrlParts{};
            parts->host = *host;
            parts->port = common::to_integer(*port);
            parts->secure = common::text_compare(*scheme, "https", false) == 0;
            // The fragment is the browser's business: it never goes on the wire.
            parts->object_name = path && !path->empty() ? *path : GbkText("/");
            if (query)
                parts->object_name += "?" + *query;
        }
    }
    curl_url_cleanup(handle);
    return parts;
}

GbkText proxy_for_url(const GbkText& proxy, bool secure)
{
    if (proxy.empty())
        return {};
    // A plain HTTP URL reads the list as "http=" + proxy, as the named-proxy form takes it.
    const GbkText list = secure ? proxy : "http=" + proxy;
    const GbkText wanted = secure ? "https" : "http";
    GbkText entry;
    for (char c : list + ";") {
        if (c != ';' && c != ' ' && c != '\t') {
            entry += c;
            continue;
        }
        if (entry.empty())
            continue;
        const size_t equals = entry.find('=');
        if (equals == GbkText::npos)
            return entry;
        if (common::text_compare(entry.substr(0, equals), wanted, false) == 0)
            return entry.substr(equals + 1);
        entry.clear();
    }
    return {};
}

GbkText build_request_header_text(const GbkText& extra_headers, const GbkText& send_cookies)
{
    GbkText header_text = extra_headers.empty() ? GbkText() : extra_headers + "\r\n";
    for (const DefaultLine& line : kDefaultLines) {
        if (common::find_text(header_text, line.key, 1, line.ignore_case) == -1)
            header_text += line.line;
    }
    if (common::find_text(header_text, "Cookie: ", 1, true) == -1 && !send_cookies.empty())
        header_text += "Cookie: " + send_cookies + "\r\n";
    return header_text;
}

} // namespace webaccess
