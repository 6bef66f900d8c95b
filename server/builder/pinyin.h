#pragma once

#include "common/text/gbktext.h"

// The pinyin prompt of a word and the character count that sizes the answer grid.
namespace server {

// Characters of a GBK text: a byte of 128 or more starts a two-byte character whatever follows it.
int count_characters(const common::GbkText& text);

// The readings of the word's double-byte characters, each followed by one blank; single-byte
// characters and characters without a reading are copied unchanged, with no blank.
common::GbkText text_to_pinyin(const common::GbkText& text);

// The reading of one character in a table laid out as pinyin_table(): the text between the
// character's first occurrence (on a character boundary) and the next separator; empty when the
// character is missing or no separator follows it.
common::GbkText lookup_pinyin_entry(const common::GbkText& table, const common::GbkText& character,
                                    const common::GbkText& separator);

} // namespace server
