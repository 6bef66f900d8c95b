#include "webaccess/httprequest.h"

#include <climits>

#include "common/events/wait.h"
#include "common/text/numbers.h"
#include "webaccess/httptransfer.h"
#include "webaccess/regexobject.h"
#include "webaccess/requestheaders.h"
#include "webaccess/responseparsing.h"
#include "webaccess/textconversion.h"

// Failure codes and what raises them here:
//   700  libcurl cannot be started (global initialisation fails)
//   701  the URL is not an absolute http or https URL with a host
//   702  the session (multi handle) cannot be made
//   703  the host or port cannot be connected to as given (empty host, port outside 1-65535)
//   704  the request handle cannot be made or its URL, verb or body refused
//   705  the time-outs cannot be set
//   707  server or proxy credentials cannot be set
//   708  the cookie engine cannot be switched on
//   709  redirect following cannot be switched off
//   710  the header text cannot be set (a line without a colon, or with a bare CR or LF)
//   711  no request went out: name resolution failed, the connection was refused or timed out,
//        TLS failed, or sending failed or stalled for the time-out
//   712  the request went out but no final response header arrived: nothing within the time-out,
//        the connection closed, a malformed reply, a redirect that could not be followed
//   713  the body broke off or stalled after the response header (not fatal: the rest runs on the
//        bytes received)
// There is no 706.
namespace webaccess {

namespace {

const char* const kMessage700 = "700 当前系统不支持WinHttp服务!";
const char* const kMessage701 = "701 解析URL地址失败!";
const char* const kMessage702 = "702 创建WinHttp会话失败!";
const char* const kMessage703 = "703 创建WinHttp连接失败!";
const char* const kMessage704 = "704 创建WinHttp请求失败!";
const char* const kMessage705 = "705 设置超时时间失败!";
const char* const kMessage707 = "707 设置代理凭证失败!";
const char* const kMessage708 = "708 禁止自动设置Cookies失败!";
const char* const kMessage709 = "709 重定向设置失败!";
const char* const kMessage710 = "710 设置协议头失败!";
const char* const kMessage711 = "711 发送请求失败!";
const char* const kMessage712 = "712 服务器未响应!";
const char* const kMessage713 = "713 读取数据失败!";

const char* verb_of(int method)
{
    switch (method) {
    case kPost:
        return "POST";
    case kHead:
        return "HEAD";
    case kPut:
        return "PUT";
    default:
        return "GET";
    }
}

int timeout_milliseconds(int timeout_seconds)
{
    if (timeout_seconds <= 0)
        return 30000;
    return timeout_seconds > INT_MAX / 1000 ? INT_MAX : timeout_seconds * 1000;
}

// A step of the set-up that failed: its message, and whether pending events are handled before
// the empty result goes back (the credential, cookie and redirect steps hand it back at once).
struct SetupFailure
{
    const char* message = nullptr;
    bool handles_events = true;
};

// Everything before the request is sent (steps 701-710); nothing when every step succeeded.
std::optional<SetupFailure> set_up(HttpTransfer& transfer, const GbkText& url, const HttpRequestOptions& options)
{
    const std::optional<UrlParts> parts = split_url(url);
    if (!parts)
        return SetupFailure{kMessage701};
    if (!transfer.open_session(proxy_for_url(options.proxy, parts->secure)))
        return SetupFailure{kMessage702};
    if (!transfer.connect(wide_to_ansi(ansi_to_wide(parts->host)), parts->port, parts->secure))
        return SetupFailure{kMessage703};
    if (!transfer.open_request(verb_of(options.method), parts->object_name, common::to_byte_set(options.body)))
        return SetupFailure{kMessage704};
    if (!transfer.set_timeouts(timeout_milliseconds(options.timeout_seconds)))
        return SetupFailure{kMessage705};

    if (!options.user_name.empty() && !options.user_pass.empty() &&
        !transfer.set_server_credentials(options.user_name, options.user_pass))
        return SetupFailure{kMessage707, false};
    if (!options.proxy_user.empty() && !options.proxy_pass.empty() &&
        !transfer.set_proxy_credentials(options.proxy_user, options.proxy_pass))
        return SetupFailure{kMessage707, false};
    if (!transfer.set_cookie_engine(options.send_cookies.has_value()))
        return SetupFailure{kMessage708, false};
    if (!transfer.set_follow_redirects(!options.no_redirect))
        return SetupFailure{kMessage709, false};

    if (!transfer.set_header_text(
            build_request_header_text(options.extra_headers, options.send_cookies.value_or(GbkText()))))
        return SetupFailure{kMessage710};
    return std::nullopt;
}

// Hands the response's headers, cookies, location and bytes to the caller's variables and returns
// the page text; the status text is the response's own.
GbkText hand_back_response(const HttpTransfer& transfer, const HttpRequestOptions& options)
{
    const ResponseHeaders parsed = read_response_headers(transfer.header_block(), common::process_pending_events);
    if (options.status_text)
        *options.status_text = parsed.status_text.c_str();
    if (options.response_headers)
        *options.response_headers = parsed.headers;
    // New pairs join what the caller already holds with "; "; a response without cookies leaves it be.
    if (options.received_cookies && parsed.cookies)
        *options.received_cookies =
            options.received_cookies->empty() ? *parsed.cookies : *options.received_cookies + "; " + *parsed.cookies;
    if (options.location && parsed.location)
        *options.location = *parsed.location;

    const ByteData& data = transfer.body();
    if (options.response_bytes)
        *options.response_bytes = data;
    RegexObject regex;
    return page_text(data, regex, common::process_pending_events);
}

} // namespace

GbkText http_request(const GbkText& url, int method, const GbkText& body, const std::optional<GbkText>& send_cookies,
                     GbkText* received_cookies, const GbkText& extra_headers, GbkText* response_headers,
                     bool no_redirect, const GbkText& user_name, const GbkText& user_pass, const GbkText& proxy,
                     const GbkText& proxy_user, const GbkText& proxy_pass, int timeout_seconds, GbkText* location,
                     GbkText* status_text, ByteData* response_bytes)
{
    return http_request(url, {.method = method,
                              .body = body,
                              .send_cookies = send_cookies,
                              .received_cookies = received_cookies,
                              .extra_headers = extra_headers,
                              .response_headers = response_headers,
                              .no_redirect = no_redirect,
                              .user_name = user_name,
                              .user_pass = user_pass,
                              .proxy = proxy,
                              .proxy_user = proxy_user,
                              .proxy_pass = proxy_pass,
                              .timeout_seconds = timeout_seconds,
                              .location = location,
                              .status_text = status_text,
                              .response_bytes = response_bytes});
}

GbkText http_request(const GbkText& url, const HttpRequestOptions& options)
{
    auto report = [&options](const char* message) {
        if (options.status_text)
            *options.status_text = message;
    };
    auto fail = [&report](const char* message) {
        report(message);
        common::process_pending_events();
        return GbkText();
    };

    if (!HttpTransfer::platform_ready()) {
        report(kMessage700);
        return {};
    }
    HttpTransfer transfer;
    if (const std::optional<SetupFailure> failure = set_up(transfer, url, options)) {
        report(failure->message);
        if (failure->handles_events)
            common::process_pending_events();
        return {};
    }

    switch (transfer.perform()) {
    case HttpTransfer::Outcome::SendFailed:
        return fail(kMessage711);
    case HttpTransfer::Outcome::NoResponse:
        return fail(kMessage712);
    case HttpTransfer::Outcome::ReadFailed:
        report(kMessage713);
        break;
    case HttpTransfer::Outcome::Complete:
        break;
    }

    // No header block to read: no page, and nothing else is handed back.
    if (transfer.header_block().empty()) {
        common::process_pending_events();
        return {};
    }
    const GbkText page = hand_back_response(transfer, options);
    common::process_pending_events();
    return page;
}

} // namespace webaccess
