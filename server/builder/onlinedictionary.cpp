#include "server/builder/onlinedictionary.h"

#include "webaccess/httprequest.h"
#include "webaccess/textconversion.h"

namespace server {

using common::GbkText;

namespace {

constexpr int kTimeoutSeconds = 5;

// The word goes in as GBK; the request routine percent-encodes its bytes.
GbkText result_page(const GbkText& site, const GbkText& word)
{
    return webaccess::http_request(site + "/s?wd=" + word, {.timeout_seconds = kTimeoutSeconds});
}

} // namespace

DictionaryEntry lookup_online_dictionary(const GbkText& word, const GbkText& first_site, const GbkText& second_site)
{
    GbkText page = result_page(first_site, word);
    DictionaryEntry entry;
    entry.pinyin = webaccess::text_between(page, "</strong><span><b>[", "]</b><a href=");
    entry.meaning = webaccess::text_between(page, "的解释: ", "，英文翻译");
    if (entry.pinyin.empty())
        entry.pinyin = webaccess::text_between(page, "</label><span><b>[", "]</b><a href=");
    if (!entry.pinyin.empty())
        return entry;

    page = result_page(second_site, word);
    entry.meaning = webaccess::text_between(page, "百度汉语_" + word + ": ", "\"/>");
    entry.pinyin = webaccess::text_between(page, "<dt class=\"pinyin\">[ ", " ]</dt>");
    return entry;
}

} // namespace server
