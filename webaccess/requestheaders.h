#pragma once

#include <optional>

#include "common/text/gbktext.h"

// Pure text work around a request: the URL split, the proxy choice and the request header text.
namespace webaccess {

using common::GbkText;

struct UrlParts
{
    GbkText host;        // as written, IPv6 literals in brackets
    int port = 0;        // the scheme's default when the URL names none
    bool secure = false; // https
    GbkText object_name; // path and query; "/" when the path is empty
};

// Bytes that may not stand in a request line (non-ASCII GBK bytes, blanks, control bytes) travel
// percent-encoded. nullopt for anything but an absolute http or https URL with a host.
std::optional<UrlParts> split_url(const GbkText& url);

// The proxy to use for a URL out of a named-proxy list ("host:port", or "http=a:1;https=b:2"): an
// HTTP URL uses the proxy for plain HTTP, an HTTPS URL the entry for https or one without a scheme.
// Empty: connect directly.
GbkText proxy_for_url(const GbkText& proxy, bool secure);

// The caller's lines (CR LF separated, no final CR LF), then each default line whose key they lack;
// the Cookie line only when send_cookies is not empty. Every line ends CR LF.
GbkText build_request_header_text(const GbkText& extra_headers, const GbkText& send_cookies);

} // namespace webaccess
