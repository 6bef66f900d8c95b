#pragma once

#include <optional>

#include "common/text/gbktext.h"
#include "server/builder/wordbanks.h"

// Turns a picked word-bank line into a prepared question. Touches no control and no file: the window
// writes the result into its controls, and runs the online dictionary lookup afterwards when the
// operator asked for it. Poem and stroke questions draw from the program's one random generator,
// so the same picks give the same questions in each run.
namespace server {

// Prompt (lines separated by CR LF), answer, and the selection index of the grid-count combo box.
struct QuestionDraft
{
    common::GbkText prompt;
    common::GbkText answer;
    int grid_index = -1; // item "n" has index n - 1; -1 selects nothing
};

// The grid selection for an answer: its character count minus 1, at most the last item "8";
// an empty answer selects nothing.
int grid_index_for(const common::GbkText& answer);

// Reads the line's fields by its category's layout (missing fields read as empty texts) and draws from the
// program's random generator where the category asks: a poem's half, a stroke's number. Gives
// nothing for a category outside the six, or for a stroke line without any stroke.
std::optional<QuestionDraft> build_question(WordBankCategory category, const common::GbkText& line);

// The word to look up in the online dictionary: field 1 of the line.
common::GbkText lookup_word(const common::GbkText& line);

// The prompt after an online lookup: the found pinyin and meaning, or the prompt unchanged when
// no pinyin was found.
common::GbkText prompt_with_lookup(const common::GbkText& prompt, const common::GbkText& pinyin,
                                   const common::GbkText& meaning);

} // namespace server
