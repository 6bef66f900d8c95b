#include "common/events/ftpclient.h"

#include <curl/curl.h>

#include "common/events/curllibrary.h"
#include "common/events/diagnostics.h"
#include "common/text/gbkcodec.h"

#include <QSaveFile>

namespace common {

namespace {

// Long enough for a LAN, short enough that a dead host does not freeze the hall screen for long.
constexpr long kConnectSeconds = 3;
constexpr long kResponseSeconds = 3;
constexpr long kStalledSeconds = 5;

struct FtpConnection
{
    CURL* handle = nullptr;
    std::string base_url; // "ftp://host:port/"
};

FtpConnection g_ftp;

std::string escaped(CURL* handle, const GbkText& text)
{
    char* escaped = curl_easy_escape(handle, text.data(), static_cast<int>(text.size()));
    std::string result = escaped ? escaped : "";
    curl_free(escaped);
    return result;
}

// A remote name under the login folder, each path piece escaped, the separators kept.
std::string remote_url(CURL* handle, const GbkText& remote)
{
    std::string url = g_ftp.base_url;
    size_t start = 0;
    while (start < remote.size() && remote[start] == '/')
        ++start;
    for (size_t slash; (slash = remote.find('/', start)) != GbkText::npos; start = slash + 1)
        url += escaped(handle, remote.substr(start, slash - start)) + "/";
    return url + escaped(handle, remote.substr(start));
}

size_t write_to_file(char* data, size_t size, size_t count, void* file)
{
    const qint64 length = static_cast<qint64>(size * count);
    return static_cast<QSaveFile*>(file)->write(data, length) == length ? size * count : 0;
}

size_t discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

} // namespace

void ftp_disconnect()
{
    if (g_ftp.handle)
        curl_easy_cleanup(g_ftp.handle);
    g_ftp = {};
}

bool ftp_connect(const GbkText& host, const GbkText& user, const GbkText& secret, int port, bool passive)
{
    ftp_disconnect();
    if (host.empty() || port < 1 || port > 65535)
        return false;
    if (!curl_library_ready())
        return false;
    CURL* handle = curl_easy_init();
    if (!handle)
        return false;
    const bool ipv6 = host.find(':') != GbkText::npos;
    const std::string base = "ftp://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
    curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, secret.c_str());
    if (!passive)
        curl_easy_setopt(handle, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseSeconds);
    curl_easy_setopt(handle, CURLOPT_ACCEPTTIMEOUT_MS, kConnectSeconds * 1000);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStalledSeconds);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    // Log in and look at the login folder without a transfer, so a refused login fails here.
    curl_easy_setopt(handle, CURLOPT_URL, base.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
    if (const CURLcode result = curl_easy_perform(handle); result != CURLE_OK) {
        qCWarning(program_log).noquote() << "FTP login to" << QString::fromStdString(base) << "failed -"
                                         << curl_easy_strerror(result);
        curl_easy_cleanup(handle);
        return false;
    }
    g_ftp.handle = handle;
    g_ftp.base_url = base;
    return true;
}

bool ftp_get_file(const GbkText& remote, const GbkText& local)
{
    if (!g_ftp.handle || remote.empty() || local.empty())
        return false;
    QSaveFile file(to_qstring(local));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::string url = remote_url(g_ftp.handle, remote);
    curl_easy_setopt(g_ftp.handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(g_ftp.handle, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(g_ftp.handle, CURLOPT_WRITEFUNCTION, write_to_file);
    curl_easy_setopt(g_ftp.handle, CURLOPT_WRITEDATA, &file);
    const CURLcode result = curl_easy_perform(g_ftp.handle);
    curl_easy_setopt(g_ftp.handle, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(g_ftp.handle, CURLOPT_WRITEDATA, nullptr);
    if (result != CURLE_OK) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace common
