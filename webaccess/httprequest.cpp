#include "webaccess/httprequest.h"

#include <climits>

#include "common/events/wait.h"
#include "common/text/numbers.h"
#include "webaccess/httptransfer.h"
#include "webaccess/regexobject.h"
#include "webaccess/requestheaders.h"
#include "webaccess/responseparsing.h"
#include "webaccess/textconversion.h"

namespace webaccess {

namespace {

// The status texts of the failures, each with its code; there is no 706.
// libcurl cannot be started (global initialisation fails).
const char* const kNoHttpService = "700 当前系统不支持WinHttp服务!";
// The URL is not an absolute http or https URL with a host.
const char* const kBadUrl = "701 解析URL地址失败!";
// The session (multi handle) cannot be made.
const char* const kNoSession = "702 创建WinHttp会话失败!";
// The host or port cannot be connected to as given (empty host, port outside 1-65535).
const char* const kNoConnection = "703 创建WinHttp连接失败!";
// The request handle cannot be made or its URL, verb or body refused.
const char* const kNoRequest = "704 创建WinHttp请求失败!";
const char* const kTimeoutsRefused = "705 设置超时时间失败!";
// Server or proxy credentials cannot be set.
const char* const kCredentialsRefused = "707 设置代理凭证失败!";
// The cookie engine cannot be switched on.
const char* const kCookiesRefused = "708 禁止自动设置Cookies失败!";
// Redirect following cannot be switched off.
const char* const kRedirectsRefused = "709 重定向设置失败!";
// The header text cannot be set: a line without a colon, or with a bare CR or LF.
const char* const kHeadersRefused = "710 设置协议头失败!";
// No request went out: name resolution failed, the connection was refused or timed out, TLS
// failed, or sending failed or stalled for the time-out.
const char* const kSendFailed = "711 发送请求失败!";
// The request went out but no final response header arrived: nothing within the time-out, the
// connection closed, a malformed reply, a redirect that could not be followed.
const char* const kNoResponse = "712 服务器未响应!";
// The body broke off or stalled after the response header. Not fatal: the rest runs on the bytes
// received.
const char* const kReadFailed = "713 读取数据失败!";

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

// Everything before the request is sent (codes 701-710); nothing when every step succeeded.
std::optional<SetupFailure> set_up(HttpTransfer& transfer, const GbkText& url, const HttpRequestOptions& options)
{
    const std::optional<UrlParts> parts = split_url(url);
    if (!parts)
        return SetupFailure{kBadUrl};
    if (!transfer.open_session(proxy_for_url(options.proxy, parts->secure)))
        return SetupFailure{kNoSession};
    if (!transfer.connect(wide_to_ansi(ansi_to_wide(parts->host)), parts->port, parts->secure))
        return SetupFailure{kNoConnection};
    if (!transfer.open_request(verb_of(options.method), parts->object_name, common::to_byte_set(options.body)))
        return SetupFailure{kNoRequest};
    if (!transfer.set_timeouts(timeout_milliseconds(options.timeout_seconds)))
        return SetupFailure{kTimeoutsRefused};

    if (!options.user_name.empty() && !options.user_pass.empty() &&
        !transfer.set_server_credentials(options.user_name, options.user_pass))
        return SetupFailure{kCredentialsRefused, false};
    if (!options.proxy_user.empty() && !options.proxy_pass.empty() &&
        !transfer.set_proxy_credentials(options.proxy_user, options.proxy_pass))
        return SetupFailure{kCredentialsRefused, false};
    if (!transfer.set_cookie_engine(options.send_cookies.has_value()))
        return SetupFailure{kCookiesRefused, false};
    if (!transfer.set_follow_redirects(!options.no_redirect))
        return SetupFailure{kRedirectsRefused, false};

    if (!transfer.set_header_text(
            build_request_header_text(options.extra_headers, options.send_cookies.value_or(GbkText()))))
        return SetupFailure{kHeadersRefused};
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
        report(kNoHttpService);
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
        return fail(kSendFailed);
    case HttpTransfer::Outcome::NoResponse:
        return fail(kNoResponse);
    case HttpTransfer::Outcome::ReadFailed:
        report(kReadFailed);
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
