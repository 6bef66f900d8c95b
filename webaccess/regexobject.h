#pragma once

#include <memory>

#include "common/text/gbktext.h"

// One compiled expression, the subject it last ran over and that run's matches, answered in GBK.
// Matching runs on the UTF-16 form of the subject (PCRE2, 16-bit units); texts cross back as GBK.
// A copy shares the state of the last create; a later create on either object replaces only its own.
namespace webaccess {

using common::GbkText;

class RegexObject final
{
public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);

    // Runs pattern over subject. "." always matches line ends too. With quote_placeholders every
    // "#引号" in the pattern stands for a double quote. False when the pattern cannot be compiled
    // or run; true otherwise, matches or not.
    bool create(const GbkText& pattern, const GbkText& subject, bool case_sensitive = false, bool multiline = true,
                bool global = true, bool quote_placeholders = false);

    GbkText pattern_text() const;

    // The subject with the matches replaced ("$1".."$99", "$&", "$`", "$'", "$$" expand).
    GbkText replace(const GbkText& replacement = {}) const;

    int match_count() const;

    // Indices are 1-based. position, when given, gets the 0-based byte offset of the text in the
    // subject as GBK; -2 when there is no such text in an empty subject.
    GbkText match_text(int match_index, int* position = nullptr) const;
    GbkText submatch_text(int match_index, int group_index, int* position = nullptr) const;

    // Groups of the first match; 0 without one.
    int submatch_count() const;

private:
    struct State;
    std::shared_ptr<const State> m_state;
};

} // namespace webaccess
