#include <gtest/gtest.h>

#include "webaccess/requestheaders.h"

using namespace webaccess;

namespace {

const GbkText kDefaultUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const GbkText kDefaultAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const GbkText kDefaultEncoding = "Accept-Encoding: gbk, GB2312\r\n";
const GbkText kDefaultLanguage = "Accept-Language: zh-cn\r\n";
const GbkText kDefaultContentType = "Content-Type: application/x-www-form-urlencoded\r\n";
const GbkText kDefaultCacheControl = "Cache-Control: no-cache\r\n";

TEST(RequestHeaderText, WithoutCallerLinesIsTheSixDefaultsInOrder)
{
    EXPECT_EQ(build_request_header_text("", ""), kDefaultUserAgent + kDefaultAccept + kDefaultEncoding +
                                                     kDefaultLanguage + kDefaultContentType + kDefaultCacheControl);
}

TEST(RequestHeaderText, CallerLinesComeFirstAndReplaceDefaultsByKey)
{
    EXPECT_EQ(build_request_header_text("user-agent: Test/1\r\naccept: */*", ""),
              "user-agent: Test/1\r\naccept: */*\r\n" + kDefaultEncoding + kDefaultLanguage + kDefaultContentType +
                  kDefaultCacheControl);
    // The content-type key is matched with its letter case: a lower-case line gets the default too.
    EXPECT_EQ(build_request_header_text("content-type: text/plain", ""),
              "content-type: text/plain\r\n" + kDefaultUserAgent + kDefaultAccept + kDefaultEncoding +
                  kDefaultLanguage + kDefaultContentType + kDefaultCacheControl);
    EXPECT_EQ(build_request_header_text("Content-Type:text/plain", ""),
              "Content-Type:text/plain\r\n" + kDefaultUserAgent + kDefaultAccept + kDefaultEncoding + kDefaultLanguage +
                  kDefaultCacheControl);
}

TEST(RequestHeaderText, CookieLineOnlyForCookiesGivenAndNotAlreadyThere)
{
    const GbkText defaults = kDefaultUserAgent + kDefaultAccept + kDefaultEncoding + kDefaultLanguage +
                             kDefaultContentType + kDefaultCacheControl;
    EXPECT_EQ(build_request_header_text("", "a=1; b=2"), defaults + "Cookie: a=1; b=2\r\n");
    EXPECT_EQ(build_request_header_text("COOKIE: x=9", "a=1"), "COOKIE: x=9\r\n" + defaults);
}

TEST(SplitUrl, GivesHostPortSchemeAndObjectName)
{
    auto parts = split_url("http://dict.example.com/s?wd=abc");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "dict.example.com");
    EXPECT_EQ(parts->port, 80);
    EXPECT_FALSE(parts->secure);
    EXPECT_EQ(parts->object_name, "/s?wd=abc");

    parts = split_url("HTTPS://127.0.0.1:8443");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "127.0.0.1");
    EXPECT_EQ(parts->port, 8443);
    EXPECT_TRUE(parts->secure);
    EXPECT_EQ(parts->object_name, "/");

    // Credentials in the URL are not used, and the fragment never travels.
    parts = split_url("https://user:pw@example.com/a/../b?q=1#top");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "example.com");
    EXPECT_EQ(parts->port, 443);
    EXPECT_EQ(parts->object_name, "/a/../b?q=1");
}

TEST(SplitUrl, ChineseAndBlanksTravelAsPercentEncodedGbkBytes)
{
    const auto parts = split_url("http://h/s?wd=汉字 a");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->object_name, "/s?wd=%BA%BA%D7%D6%20a");
}

TEST(SplitUrl, RefusesWhatIsNoAbsoluteHttpUrl)
{
    EXPECT_FALSE(split_url(""));
    EXPECT_FALSE(split_url("dict.example.com/s"));
    EXPECT_FALSE(split_url("ftp://example.com/file"));
    EXPECT_FALSE(split_url("http://"));
    EXPECT_FALSE(split_url("http://host:99999/"));
    EXPECT_FALSE(split_url("://host/"));
}

TEST(ProxyForUrl, HttpUrlsUseThePlainProxyHttpsUrlsTheirEntry)
{
    EXPECT_EQ(proxy_for_url("", false), "");
    EXPECT_EQ(proxy_for_url("", true), "");
    EXPECT_EQ(proxy_for_url("10.0.0.1:3128", false), "10.0.0.1:3128");
    EXPECT_EQ(proxy_for_url("10.0.0.1:3128", true), "10.0.0.1:3128");
    EXPECT_EQ(proxy_for_url("http=a:1;https=b:2", true), "b:2");
    EXPECT_EQ(proxy_for_url("http=a:1", true), "");
    EXPECT_EQ(proxy_for_url("a:1 b:2", false), "a:1");
}

} // namespace
