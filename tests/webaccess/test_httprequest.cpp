#include <chrono>

#include <gtest/gtest.h>

#include "tests/support/ports.h"
#include "webaccess/httprequest.h"
#include "webaccess/textconversion.h"

#include <QProcess>
#include <QTimer>

using namespace webaccess;

namespace {

const GbkText kDefaultLines[] = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
    "Accept: text/html, application/xhtml+xml, */*",
    "Accept-Encoding: gbk, GB2312",
    "Accept-Language: zh-cn",
    "Content-Type: application/x-www-form-urlencoded",
    "Cache-Control: no-cache",
};

// "听写大赛" in GBK and in UTF-8.
const GbkText kTextGbk = "听写大赛";
const GbkText kTextUtf8 = "\xE5\x90\xAC\xE5\x86\x99\xE5\xA4\xA7\xE8\xB5\x9B";

// What /echo reports: the request line, the header lines in arrival order and the body.
struct Echo
{
    GbkText request_line;
    std::vector<GbkText> headers;
    GbkText body;

    // The header lines other than the two the transport adds itself.
    std::vector<GbkText> own_headers() const
    {
        std::vector<GbkText> own;
        for (const GbkText& line : headers) {
            if (line.rfind("Host: ", 0) != 0 && line.rfind("Content-Length: ", 0) != 0)
                own.push_back(line);
        }
        return own;
    }
};

Echo parse_echo(const GbkText& page)
{
    Echo echo;
    const size_t blank = page.find("\r\n\r\n");
    const GbkText head = page.substr(0, blank);
    echo.body = blank == GbkText::npos ? GbkText() : page.substr(blank + 4);
    size_t from = 0;
    for (bool first = true; from <= head.size(); first = false) {
        size_t end = head.find("\r\n", from);
        if (end == GbkText::npos)
            end = head.size();
        (first ? echo.request_line : echo.headers.emplace_back()) = head.substr(from, end - from);
        from = end + 2;
    }
    return echo;
}

class HttpRequest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString script = qEnvironmentVariable("ORUVAN_SOURCE_DIR") + "/tests/webaccess/http_test_server.py";
        m_server.start("/usr/bin/python3", {script});
        ASSERT_TRUE(m_server.waitForStarted(5000));
        ASSERT_TRUE(m_server.waitForReadyRead(10000)) << "the test server did not report its port";
        m_port = m_server.readLine().trimmed().toInt();
        ASSERT_GT(m_port, 0);
    }

    void TearDown() override
    {
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            m_server.kill();
        m_server.waitForFinished(3000);
    }

    GbkText url(const GbkText& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    QProcess m_server;
    int m_port = 0;
};

TEST_F(HttpRequest, GetSendsExactlyTheDefaultLinesAndHandsBackTheResponse)
{
    GbkText headers, status, location = "keep";
    ByteData bytes;
    const GbkText page = http_request(url("/echo"), 0, {}, std::nullopt, nullptr, {}, &headers, false, {}, {}, {}, {},
                                      {}, 5, &location, &status, &bytes);
    const Echo echo = parse_echo(page);
    EXPECT_EQ(echo.request_line, "GET /echo");
    EXPECT_EQ(echo.own_headers(), std::vector<GbkText>(std::begin(kDefaultLines), std::end(kDefaultLines)));
    EXPECT_NE(std::find(echo.headers.begin(), echo.headers.end(), "Host: 127.0.0.1:" + std::to_string(m_port)),
              echo.headers.end());
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
    EXPECT_NE(headers.find("Content-Type: text/plain\r\n"), GbkText::npos);
    EXPECT_EQ(GbkText(bytes.constData(), bytes.size()), page);
    EXPECT_EQ(location, "keep");
}

TEST_F(HttpRequest, CallerLinesGoFirstAndReplaceDefaultsOfTheSameKey)
{
    const GbkText page = http_request(url("/echo"), 0, {}, GbkText("x=1"), nullptr,
                                      "user-agent: Tester/2\r\nX-Word: 汉字\r\ncontent-type: text/plain", nullptr,
                                      false, {}, {}, {}, {}, {}, 5);
    const Echo echo = parse_echo(page);
    // The lower-case content-type does not hide the default line, which then replaces it.
    const std::vector<GbkText> expected = {"user-agent: Tester/2", "X-Word: 汉字",   kDefaultLines[4], kDefaultLines[1],
                                           kDefaultLines[2],       kDefaultLines[3], kDefaultLines[5], "Cookie: x=1"};
    EXPECT_EQ(echo.own_headers(), expected);
}

TEST_F(HttpRequest, MethodsAndBodies)
{
    Echo echo = parse_echo(http_request(url("/echo"), 1, "a=1&w=汉"));
    EXPECT_EQ(echo.request_line, "POST /echo");
    EXPECT_EQ(echo.body, "a=1&w=汉");
    EXPECT_NE(std::find(echo.headers.begin(), echo.headers.end(), "Content-Length: 8"), echo.headers.end());

    echo = parse_echo(http_request(url("/echo"), 3, GbkText("x\0y", 3)));
    EXPECT_EQ(echo.request_line, "PUT /echo");
    EXPECT_EQ(echo.body, GbkText("x\0y", 3).substr(0, 1)); // the page text ends at the zero byte

    for (int method : {4, -1}) {
        echo = parse_echo(http_request(url("/echo"), method));
        EXPECT_EQ(echo.request_line, "GET /echo");
    }

    // Chinese in the query travels as percent-encoded GBK bytes.
    echo = parse_echo(http_request(url("/echo?wd=汉字")));
    EXPECT_EQ(echo.request_line, "GET /echo?wd=%BA%BA%D7%D6");
}

TEST_F(HttpRequest, HeadFillsHeadersAndStatusButNoBody)
{
    GbkText headers, status;
    ByteData bytes = "old";
    const GbkText page = http_request(url("/echo"), 2, {}, std::nullopt, nullptr, {}, &headers, false, {}, {}, {}, {},
                                      {}, 5, nullptr, &status, &bytes);
    EXPECT_EQ(page, "");
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_EQ(status, "200 OK");
    EXPECT_NE(headers.find("Content-Length: "), GbkText::npos);
}

TEST_F(HttpRequest, CookiesFromHeaderNamesInAnyLetterCase)
{
    GbkText cookies, headers;
    http_request(url("/cookies"), 0, {}, std::nullopt, &cookies, {}, &headers);
    EXPECT_EQ(cookies, "a=1; b=2");
    EXPECT_NE(headers.find("Set-Cookie: a=1; Path=/\r\n"), GbkText::npos);
    EXPECT_NE(headers.find("Set-Cookie: b=2\r\n"), GbkText::npos);
    EXPECT_EQ(headers.find("set-cookie"), GbkText::npos);
    EXPECT_EQ(headers.find("SET-COOKIE"), GbkText::npos);

    // Pairs the caller already holds are kept and joined, and a response without cookies changes nothing.
    cookies = "k=v";
    http_request(url("/cookies"), 0, {}, std::nullopt, &cookies);
    EXPECT_EQ(cookies, "k=v; a=1; b=2");
    http_request(url("/echo"), 0, {}, std::nullopt, &cookies);
    EXPECT_EQ(cookies, "k=v; a=1; b=2");
    cookies.clear();
    http_request(url("/echo"), 0, {}, std::nullopt, &cookies);
    EXPECT_EQ(cookies, "");
}

TEST_F(HttpRequest, RedirectFollowedOrNot)
{
    GbkText status, location = "keep";
    GbkText page = http_request(url("/redirect"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, {}, {}, {},
                                5, &location, &status);
    EXPECT_EQ(parse_echo(page).request_line, "GET /echo?from=redirect");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(location, "keep");

    // The options form carries the same settings to the same routine.
    page = http_request(url("/redirect"),
                        {.no_redirect = true, .timeout_seconds = 5, .location = &location, .status_text = &status});
    EXPECT_EQ(page, "moved");
    EXPECT_EQ(status, "302 Found");
    EXPECT_EQ(location, "/echo?from=redirect");
}

TEST_F(HttpRequest, DeclaredCharsetDecodesToGbkWithinTheFirst1024Bytes)
{
    ByteData bytes;
    GbkText page = http_request(url("/utf8"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 5,
                                nullptr, nullptr, &bytes);
    EXPECT_NE(page.find("<body>" + kTextGbk + "</body>"), GbkText::npos);
    EXPECT_NE(bytes.indexOf(QByteArray::fromStdString(kTextUtf8)), -1);
    EXPECT_EQ(bytes.indexOf(QByteArray::fromStdString(kTextGbk)), -1);

    page = http_request(url("/late-utf8"));
    EXPECT_NE(page.find(kTextUtf8), GbkText::npos);
    EXPECT_EQ(page.find(kTextGbk), GbkText::npos);

    page = http_request(url("/gb2312"));
    EXPECT_NE(page.find("<body>" + kTextGbk + "</body>"), GbkText::npos);

    // Codes that only code page 936 has, from a UTF-8 page and from one whose charset names it.
    for (const char* path : {"/pinyin-utf8", "/pinyin-GBK"})
        EXPECT_NE(http_request(url(path)).find("<body>\xA8\xBFg\xA8\xBC\xAA\xA1</body>"), GbkText::npos) << path;
}

TEST_F(HttpRequest, PageTextEndsAtAZeroByteWhileTheBytesKeepEverything)
{
    ByteData bytes;
    const GbkText page = http_request(url("/zero"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, {}, {},
                                      {}, 5, nullptr, nullptr, &bytes);
    EXPECT_EQ(page, "ab");
    EXPECT_EQ(bytes, QByteArray("ab\0cd", 5));
}

TEST_F(HttpRequest, BasicCredentialsOnlyWithNameAndPass)
{
    EXPECT_EQ(http_request(url("/auth"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, "user", "pass"),
              "Basic dXNlcjpwYXNz");
    EXPECT_EQ(http_request(url("/auth"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, "user", ""), "none");
}

TEST_F(HttpRequest, PlainHttpGoesThroughTheNamedProxyWithItsCredentials)
{
    const GbkText proxy = "127.0.0.1:" + std::to_string(m_port);
    const Echo echo = parse_echo(
        http_request("http://dict.invalid/echo?x=1", 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, proxy));
    EXPECT_EQ(echo.request_line, "GET http://dict.invalid/echo?x=1");
    EXPECT_EQ(http_request("http://dict.invalid/proxy-auth", 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {},
                           proxy, "pu", "pp"),
              "Basic cHU6cHA=");
}

TEST_F(HttpRequest, ABodyThatStallsKeepsWhatArrivedAndReportsTheStatus)
{
    GbkText status;
    ByteData bytes;
    const GbkText page = http_request(url("/stall-body"), 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, {},
                                      {}, {}, 1, nullptr, &status, &bytes);
    EXPECT_EQ(page, "0123456789");
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_EQ(status, "200 OK");
}

TEST(HttpRequestFailure, AServerThatNeverAnswersTimesOutWith712WhileEventsRun)
{
    const SilentListener listener;
    ASSERT_TRUE(listener.listening());

    bool timer_ran = false;
    QTimer::singleShot(100, [&timer_ran] { timer_ran = true; });
    GbkText headers = "keep", status;
    ByteData bytes = "keep";
    const auto started = std::chrono::steady_clock::now();
    const GbkText page = http_request("http://127.0.0.1:" + std::to_string(listener.port()) + "/", 0, {}, std::nullopt,
                                      nullptr, {}, &headers, false, {}, {}, {}, {}, {}, 1, nullptr, &status, &bytes);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(status, "712 服务器未响应!");
    EXPECT_EQ(page, "");
    EXPECT_EQ(headers, "keep");
    EXPECT_EQ(bytes, "keep");
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    EXPECT_TRUE(timer_ran) << "window events must be handled while the request waits";
}

TEST(HttpRequestFailure, RefusedPortAndUnparsableUrls)
{
    GbkText status = "keep";
    EXPECT_EQ(http_request("http://127.0.0.1:" + std::to_string(closed_loopback_port()) + "/", 0, {}, std::nullopt,
                           nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 5, nullptr, &status),
              "");
    EXPECT_EQ(status, "711 发送请求失败!");

    for (const GbkText& bad : {GbkText("not a url"), GbkText("ftp://127.0.0.1/x"), GbkText("http://"), GbkText()}) {
        status = "keep";
        EXPECT_EQ(http_request(bad, 0, {}, std::nullopt, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 5, nullptr,
                               &status),
                  "");
        EXPECT_EQ(status, "701 解析URL地址失败!") << bad;
    }

    status = "keep";
    http_request("http://127.0.0.1:1/", 0, {}, std::nullopt, nullptr, "no colon here", nullptr, false, {}, {}, {}, {},
                 {}, 5, nullptr, &status);
    EXPECT_EQ(status, "710 设置协议头失败!");
}

} // namespace
