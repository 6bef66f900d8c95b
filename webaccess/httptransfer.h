#pragma once

#include <chrono>

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

// One HTTP exchange on libcurl, set up step by step and run to its end by perform(). Owns its
// handles; nothing is shared between transfers, so a transfer started from inside another one's
// wait is independent of it.
namespace webaccess {

using common::ByteData;
using common::GbkText;

class HttpTransfer final
{
public:
    enum class Outcome
    {
        Complete,
        SendFailed, // no connection, or the request could not be sent
        NoResponse, // sent, but no final response header arrived
        ReadFailed, // the body broke off; what arrived is kept
    };

    HttpTransfer() = default;
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Process-wide libcurl start; false when libcurl cannot run here.
    static bool platform_ready();

    // proxy: "host:port" or a URL, empty for a direct connection (the environment's proxy is ignored).
    bool open_session(const GbkText& proxy);
    bool connect(const GbkText& host, int port, bool secure);
    bool open_request(const GbkText& verb, const GbkText& object_name, const ByteData& body);
    bool set_timeouts(int milliseconds);
    bool set_server_credentials(const GbkText& user, const GbkText& pass);
    bool set_proxy_credentials(const GbkText& user, const GbkText& pass);
    bool set_cookie_engine(bool enabled);
    bool set_follow_redirects(bool follow);
    // CR LF separated lines, each "Name: value"; a later line replaces an earlier one of the same
    // name. False for a line without a colon.
    bool set_header_text(const GbkText& header_text);

    // Blocks until the exchange ends, handling pending window events while it waits.
    Outcome perform();

    const ByteData& body() const { return m_body; }
    // Status line and header lines of the final response, each ending CR LF, then an empty line.
    const GbkText& header_block() const { return m_header_block; }

private:
    friend struct TransferCallbacks;
    void header_line(const GbkText& line);
    void progress(long long download_now, long long upload_now, long long upload_total);
    void mark_activity();
    Outcome failure_outcome(int curl_code) const;

    void* m_multi = nullptr;
    void* m_easy = nullptr;
    void* m_header_list = nullptr;
    GbkText m_proxy;
    GbkText m_host;
    int m_port = 0;
    bool m_secure = false;
    ByteData m_request_body;
    bool m_follow_redirects = true;
    std::chrono::milliseconds m_idle_limit{30000};

    ByteData m_body;
    GbkText m_header_block;
    GbkText m_block_location;
    bool m_block_complete = false;
    bool m_any_response = false;
    bool m_final_headers = false;
    long long m_upload_now = 0;
    long long m_upload_total = 0;
    long long m_download_now = 0;
    std::chrono::steady_clock::time_point m_last_activity;
};

} // namespace webaccess
