#pragma once

#include "common/text/gbktext.h"

// The online completion of a prepared question: a word's pinyin and meaning read off the result
// pages of two dictionary sites. Network failures only leave the results empty.
namespace server {

struct DictionaryEntry
{
    common::GbkText pinyin;
    common::GbkText meaning;
};

// Plain-HTTP base addresses; "/s?wd=" and the word are appended to them.
struct DictionarySites
{
    common::GbkText first;
    common::GbkText second;
};

// The sites the program asks; the window is given them when it is made.
inline const DictionarySites kPublicDictionarySites{"http://dict.baidu.com", "http://hanyu.baidu.com"};

// Asks the first site; only when its page holds no pinyin, takes both results from the second.
// Each request waits at most 5 seconds per stage and handles pending window events meanwhile.
DictionaryEntry lookup_online_dictionary(const common::GbkText& word, const common::GbkText& first_site,
                                         const common::GbkText& second_site);

} // namespace server
