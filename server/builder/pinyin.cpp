#include "server/builder/pinyin.h"

#include "server/builder/pinyin_table.h"

namespace server {

using common::GbkText;

int count_characters(const GbkText& text)
{
    int lead_bytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ++lead_bytes;
            ++i; // the trail byte, whatever it is; a lead byte in the last position adds nothing
        }
    }
    return static_cast<int>(text.size()) - lead_bytes;
}

GbkText lookup_pinyin_entry(const GbkText& table, const GbkText& character, const GbkText& separator)
{
    if (character.empty() || separator.empty())
        return {};
    const int character_length = common::text_byte_length(character);
    const int separator_length = common::text_byte_length(separator);
    // Only a match that heads an entry counts: a tone letter also stands inside readings, and
    // taking it there would read the rest of that syllable as its reading.
    int found = common::find_text(table, character);
    while (found > 1 && common::text_mid(table, found - separator_length, separator_length) != separator)
        found = common::find_text(table, character, found + character_length);
    if (found < 1)
        return {};
    const int reading_start = found + character_length;
    const int end = common::find_text(table, separator, reading_start);
    if (end < 1)
        return {};
    return common::text_mid(table, reading_start, end - reading_start);
}

GbkText text_to_pinyin(const GbkText& text)
{
    GbkText result;
    std::size_t position = 0;
    while (position < text.size()) {
        // A lead byte cut off at the end has no character to look up: it is copied like any byte.
        if (static_cast<unsigned char>(text[position]) >= 0x80 && position + 1 < text.size()) {
            const GbkText character = text.substr(position, 2);
            const GbkText reading = lookup_pinyin_entry(pinyin_table(), character, ",");
            if (reading.empty())
                result += character;
            else
                result += reading + " ";
            position += 2;
        } else {
            result += text[position];
            position += 1;
        }
    }
    return result;
}

} // namespace server
