#pragma once

#include "common/text/gbktext.h"

namespace server {

// The whole text of a word-bank file in the program folder, up to its first 0 or Ctrl-Z byte.
// A file that cannot be opened for reading and writing (missing, read-only, held exclusively)
// gives the empty text, with no message.
common::GbkText read_word_bank(const common::GbkText& name);

} // namespace server
