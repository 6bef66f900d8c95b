#pragma once

#include <optional>
#include <string>
#include <vector>

// GBK text operations. Positions are 1-based byte positions, lengths count bytes. The operations
// marked GBK-aware step over a double-byte character (lead byte >= 0x80 plus one trail byte) as a
// unit, so a search or a separator never matches in its middle; the others cut at byte positions.
namespace common {

using GbkText = std::string;
using TextList = std::vector<GbkText>;

// "No limit" for replace_text's max_count.
inline constexpr int kAll = -1;

int text_byte_length(const GbkText& text);
GbkText text_left(const GbkText& text, int n);
GbkText text_right(const GbkText& text, int n);
GbkText text_mid(const GbkText& text, int start, int n);

// GBK-aware, characters counted from start; 1-based position of the first match at or after start,
// -1 when none. An empty wanted text gives 1 when anything is left to search.
int find_text(const GbkText& text, const GbkText& wanted, int start = 1, bool ignore_case = false);

// GBK-aware, left to right, non-overlapping. max_count kAll (any negative) replaces every match
// from start on.
GbkText replace_text(const GbkText& text, const GbkText& wanted, const GbkText& replacement = {}, int start = 1,
                     int max_count = kAll, bool case_sensitive = false);

// GBK-aware; an empty last piece is dropped, empty middle pieces are kept. Without max_pieces there
// is no limit; a negative value or 0 gives the empty list. The scan stops once max_pieces pieces are made.
TextList split_text(const GbkText& text, const GbkText& separator = ",", std::optional<int> max_pieces = {});

// Strips ASCII spaces and full-width spaces (A1 A1) at both ends; TAB, CR and LF stay. A trail byte
// A1 followed by a lead byte A1 is no full-width space.
GbkText trim_spaces(const GbkText& text);

GbkText char_from_code(int code);
// The byte at position as a signed 8-bit value; 0 outside 1..length.
int char_code_at(const GbkText& text, int position = 1);

// GBK-aware ordering: < 0, 0 or > 0.
int text_compare(const GbkText& a, const GbkText& b, bool case_sensitive);

} // namespace common
