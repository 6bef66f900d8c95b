#pragma once

#include "common/text/gbktext.h"

// The pinyin prompt of a word and the character count that sizes the answer grid.
namespace server {

// Characters of a GBK text: a byte of 128 or more starts a two-byte character whatever follows it.
int count_characters(const common::GbkText& text);

// The readings of the word's double-byte characters, each followed by one blank; single-byte
// characters and characters without a reading are copied unchanged, with no blank.
common::GbkText text_to_pinyin(const common::GbkText& text);

// The reading of one character in a table laid out as pinyin_table(): the text after the first
// entry the character heads (at the table's start or right after a separator, on a character
// boundary) up to the next separator; empty when no entry has it or no separator follows.
common::GbkText lookup_pinyin_entry(const common::GbkText& table, const common::GbkText& character,
                                    const common::GbkText& separator);

} // namespace server
