#pragma once

#include <optional>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

// One blocking HTTP or HTTPS request; the page text comes back as GBK. Failures are reported only
// as a numbered message in status_text, never shown. Window events already pending are handled
// while it waits, so other handlers (another request included) may run nested inside it.
namespace webaccess {

using common::ByteData;
using common::GbkText;

// Request methods; anything else is sent as GET.
inline constexpr int kGet = 0;
inline constexpr int kPost = 1;
inline constexpr int kHead = 2;
inline constexpr int kPut = 3;

// send_cookies: given at all (even empty) turns the cookie engine on; not empty, it is the Cookie
// line. extra_headers: CR LF separated lines. timeout_seconds bounds each phase (name resolution
// with connecting, sending, every wait for data); 0 or less means 30. A null out pointer is not
// written; an out value the call does not reach keeps its value.
struct HttpRequestOptions
{
    int method = kGet;
    GbkText body{};
    std::optional<GbkText> send_cookies{};
    GbkText* received_cookies = nullptr;
    GbkText extra_headers{};
    GbkText* response_headers = nullptr;
    bool no_redirect = false;
    GbkText user_name{};
    GbkText user_pass{};
    GbkText proxy{};
    GbkText proxy_user{};
    GbkText proxy_pass{};
    int timeout_seconds = 0;
    GbkText* location = nullptr;
    GbkText* status_text = nullptr;
    ByteData* response_bytes = nullptr;
};

GbkText http_request(const GbkText& url, const HttpRequestOptions& options);

// The same request with every option in its own position, in the order the options struct lists them.
GbkText http_request(const GbkText& url, int method = kGet, const GbkText& body = {},
                     const std::optional<GbkText>& send_cookies = std::nullopt, GbkText* received_cookies = nullptr,
                     const GbkText& extra_headers = {}, GbkText* response_headers = nullptr, bool no_redirect = false,
                     const GbkText& user_name = {}, const GbkText& user_pass = {}, const GbkText& proxy = {},
                     const GbkText& proxy_user = {}, const GbkText& proxy_pass = {}, int timeout_seconds = 0,
                     GbkText* location = nullptr, GbkText* status_text = nullptr, ByteData* response_bytes = nullptr);

} // namespace webaccess
