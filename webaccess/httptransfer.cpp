#include "webaccess/httptransfer.h"

#include <vector>

#include <curl/curl.h>

#include "common/events/curllibrary.h"
#include "common/events/wait.h"
#include "common/text/numbers.h"

namespace webaccess {

namespace {

CURL* easy(void* handle)
{
    return static_cast<CURL*>(handle);
}

CURLM* multi(void* handle)
{
    return static_cast<CURLM*>(handle);
}

// How long one wait for network activity lasts before pending window events are handled.
constexpr int kEventPollMs = 20;

bool is_redirect_status(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

GbkText header_name(const GbkText& line)
{
    return common::trim_spaces(line.substr(0, line.find(':')));
}

} // namespace

// libcurl calls back into the transfer that owns the handle.
struct TransferCallbacks
{
    static size_t on_header(char* data, size_t size, size_t count, void* self)
    {
        auto* transfer = static_cast<HttpTransfer*>(self);
        transfer->mark_activity();
        transfer->header_line(GbkText(data, size * count));
        return size * count;
    }

    static size_t on_body(char* data, size_t size, size_t count, void* self)
    {
        auto* transfer = static_cast<HttpTransfer*>(self);
        transfer->mark_activity();
        transfer->m_body.append(data, static_cast<qsizetype>(size * count));
        return size * count;
    }

    static int on_progress(void* self, curl_off_t, curl_off_t download_now, curl_off_t upload_total,
                           curl_off_t upload_now)
    {
        static_cast<HttpTransfer*>(self)->progress(download_now, upload_now, upload_total);
        return 0;
    }
};

HttpTransfer::~HttpTransfer()
{
    if (m_multi && m_easy)
        curl_multi_remove_handle(multi(m_multi), easy(m_easy));
    if (m_easy)
        curl_easy_cleanup(easy(m_easy));
    if (m_multi)
        curl_multi_cleanup(multi(m_multi));
    curl_slist_free_all(static_cast<curl_slist*>(m_header_list));
}

bool HttpTransfer::platform_ready()
{
    return common::curl_library_ready();
}

bool HttpTransfer::open_session(const GbkText& proxy)
{
    m_multi = curl_multi_init();
    m_proxy = proxy.empty() || proxy.find("://") != GbkText::npos ? proxy : "http://" + proxy;
    return m_multi != nullptr;
}

bool HttpTransfer::connect(const GbkText& host, int port, bool secure)
{
    if (host.empty() || port < 1 || port > 65535)
        return false;
    m_host = host;
    m_port = port;
    m_secure = secure;
    return true;
}

bool HttpTransfer::open_request(const GbkText& verb, const GbkText& object_name, const ByteData& body)
{
    m_easy = curl_easy_init();
    if (!m_easy)
        return false;
    CURL* handle = easy(m_easy);
    m_request_body = body;
    const GbkText url =
        GbkText(m_secure ? "https://" : "http://") + m_host + ":" + common::to_text(m_port) + object_name;

    bool ok = curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_PROXY, m_proxy.c_str()) == CURLE_OK;
    if (!m_proxy.empty()) {
        // The named proxy serves every host, whatever no_proxy says.
        ok = ok && curl_easy_setopt(handle, CURLOPT_NOPROXY, "") == CURLE_OK;
        ok = ok && curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
    }
    ok = ok && curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &TransferCallbacks::on_header) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_HEADERDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &TransferCallbacks::on_body) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TransferCallbacks::on_progress) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;

    if (verb == "HEAD") {
        ok = ok && curl_easy_setopt(handle, CURLOPT_NOBODY, 1L) == CURLE_OK;
    } else if (verb == "POST" || !m_request_body.isEmpty() || verb == "PUT") {
        // A plain POST keeps libcurl's own redirect rule (POST becomes GET on 301-303).
        if (verb == "POST")
            ok = ok && curl_easy_setopt(handle, CURLOPT_POST, 1L) == CURLE_OK;
        else
            ok = ok && curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verb.c_str()) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                                    static_cast<curl_off_t>(m_request_body.size())) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDS, m_request_body.constData()) == CURLE_OK;
    }
    return ok;
}

bool HttpTransfer::set_timeouts(int milliseconds)
{
    if (milliseconds <= 0)
        return false;
    // Name resolution and connecting fall under libcurl's connect time-out; sending and each wait for
    // data under the idle limit that perform() keeps.
    m_idle_limit = std::chrono::milliseconds(milliseconds);
    return curl_easy_setopt(easy(m_easy), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(milliseconds)) == CURLE_OK;
}

bool HttpTransfer::set_server_credentials(const GbkText& user, const GbkText& pass)
{
    CURL* handle = easy(m_easy);
    return curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<unsigned long>(CURLAUTH_BASIC)) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str()) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_PASSWORD, pass.c_str()) == CURLE_OK;
}

bool HttpTransfer::set_proxy_credentials(const GbkText& user, const GbkText& pass)
{
    CURL* handle = easy(m_easy);
    return curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_BASIC)) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, user.c_str()) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, pass.c_str()) == CURLE_OK;
}

bool HttpTransfer::set_cookie_engine(bool enabled)
{
    // Off is libcurl's default; an empty cookie file name turns the in-memory engine on.
    if (!enabled)
        return true;
    return curl_easy_setopt(easy(m_easy), CURLOPT_COOKIEFILE, "") == CURLE_OK;
}

bool HttpTransfer::set_follow_redirects(bool follow)
{
    m_follow_redirects = follow;
    CURL* handle = easy(m_easy);
    return curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L) == CURLE_OK;
}

bool HttpTransfer::set_header_text(const GbkText& header_text)
{
    std::vector<GbkText> lines;
    for (const GbkText& line : common::split_text(header_text, "\r\n")) {
        if (line.empty())
            continue;
        // A bare CR or LF inside a line would smuggle a line of its own into the request.
        if (line.find(':') == GbkText::npos || line.find_first_of("\r\n") != GbkText::npos)
            return false;
        const GbkText name = header_name(line);
        bool replaced = false;
        for (GbkText& earlier : lines) {
            if (common::text_compare(header_name(earlier), name, false) == 0) {
                earlier = line;
                replaced = true;
            }
        }
        if (!replaced)
            lines.push_back(line);
    }
    // libcurl would announce larger bodies with "Expect: 100-continue" and wait for an answer.
    bool has_expect = false;
    for (const GbkText& line : lines)
        has_expect = has_expect || common::text_compare(header_name(line), "Expect", false) == 0;
    if (!has_expect)
        lines.push_back("Expect:");

    curl_slist* list = nullptr;
    for (const GbkText& line : lines) {
        curl_slist* longer = curl_slist_append(list, line.c_str());
        if (!longer) {
            curl_slist_free_all(list);
            return false;
        }
        list = longer;
    }
    m_header_list = list;
    return curl_easy_setopt(easy(m_easy), CURLOPT_HTTPHEADER, list) == CURLE_OK;
}

HttpTransfer::Outcome HttpTransfer::perform()
{
    if (curl_multi_add_handle(multi(m_multi), easy(m_easy)) != CURLM_OK)
        return Outcome::SendFailed;
    mark_activity();
    for (;;) {
        int running = 0;
        curl_multi_perform(multi(m_multi), &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi(m_multi), &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
                return message->data.result == CURLE_OK ? Outcome::Complete : failure_outcome(message->data.result);
        }
        curl_off_t pretransfer = 0;
        curl_easy_getinfo(easy(m_easy), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
        const bool connected = pretransfer > 0 || m_any_response;
        if (connected && std::chrono::steady_clock::now() - m_last_activity > m_idle_limit) {
            if (m_final_headers)
                return Outcome::ReadFailed;
            if (!m_any_response && m_upload_now < m_upload_total)
                return Outcome::SendFailed;
            return Outcome::NoResponse;
        }
        curl_multi_poll(multi(m_multi), nullptr, 0, kEventPollMs, nullptr);
        common::process_pending_events();
    }
}

HttpTransfer::Outcome HttpTransfer::failure_outcome(int curl_code) const
{
    if (m_final_headers)
        return Outcome::ReadFailed;
    if (m_any_response)
        return Outcome::NoResponse;
    curl_off_t pretransfer = 0;
    curl_easy_getinfo(easy(m_easy), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    if (pretransfer == 0 || curl_code == CURLE_SEND_ERROR)
        return Outcome::SendFailed;
    return Outcome::NoResponse;
}

void HttpTransfer::mark_activity()
{
    m_last_activity = std::chrono::steady_clock::now();
}

void HttpTransfer::header_line(const GbkText& raw)
{
    GbkText line = raw;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    // Each response (a redirect, an interim 1xx) starts a block of its own; the last one stays.
    if (m_block_complete || line.compare(0, 5, "HTTP/") == 0) {
        if (line.compare(0, 5, "HTTP/") != 0)
            return;
        m_header_block.clear();
        m_block_location.clear();
        m_block_complete = false;
    }
    m_any_response = true;
    m_header_block += line + "\r\n";
    if (common::text_compare(header_name(line), "Location", false) == 0)
        m_block_location = line;
    if (!line.empty())
        return;
    m_block_complete = true;
    long status = 0;
    curl_easy_getinfo(easy(m_easy), CURLINFO_RESPONSE_CODE, &status);
    const bool interim = status >= 100 && status < 200;
    const bool followed = m_follow_redirects && is_redirect_status(status) && !m_block_location.empty();
    m_final_headers = !interim && !followed;
}

void HttpTransfer::progress(long long download_now, long long upload_now, long long upload_total)
{
    if (download_now != m_download_now || upload_now != m_upload_now)
        mark_activity();
    m_download_now = download_now;
    m_upload_now = upload_now;
    m_upload_total = upload_total;
}

} // namespace webaccess
