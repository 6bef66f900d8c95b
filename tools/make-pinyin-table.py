#!/usr/bin/python3
"""Generates server/builder/pinyin_table.cpp: the built-in table of Mandarin readings.

Source: the Unihan kMandarin readings of Debian's unicode-data package (first value, the customary
reading), for every GBK double-byte character that has one. A few entries are fixed by hand below.

The table is one GBK text: each entry is a character, its reading and ",". Entries are grouped by
reading in alphabetical order. Readings use the ASCII letters and the GBK tone letters; a tone mark
that GBK cannot write is dropped (the syllable keeps its letters).

Usage: tools/make-pinyin-table.py [Unihan_Readings.txt(.bz2)] [output.cpp]
"""

import bz2
import sys
import unicodedata
from pathlib import Path

UNIHAN = "/usr/share/unicode/Unihan_Readings.txt.bz2"
OUTPUT = Path(__file__).resolve().parent.parent / "server" / "builder" / "pinyin_table.cpp"

# Readings the contest relies on: one fixed reading for these characters, whatever the source says.
FORCED = {
    "吖": "ā", "阿": "ā", "啊": "ā",
    "蝙": "biān", "蝠": "fú",
    "行": "háng", "长": "zhǎng", "重": "zhòng", "不": "bú", "为": "wéi", "的": "de",
    "厑": "ae", "君": "jūn",
}

# GBK characters the source gives no reading for, with a reading we know.
EXTRA = {
    "\uFA11": "qí",  # a variant form of 崎
}

# The first entries of the table, in this order.
LEADING = ["吖", "阿", "啊"]

# Tone letters GBK can write (A8A1..A8B4, A8B6..A8B8), with their base letter and tone.
TONE_LETTERS = {
    "ā": ("a", 1), "á": ("a", 2), "ǎ": ("a", 3), "à": ("a", 4),
    "ō": ("o", 1), "ó": ("o", 2), "ǒ": ("o", 3), "ò": ("o", 4),
    "ē": ("e", 1), "é": ("e", 2), "ě": ("e", 3), "è": ("e", 4),
    "ī": ("i", 1), "í": ("i", 2), "ǐ": ("i", 3), "ì": ("i", 4),
    "ū": ("u", 1), "ú": ("u", 2), "ǔ": ("u", 3), "ù": ("u", 4),
    "ǘ": ("v", 2), "ǚ": ("v", 3), "ǜ": ("v", 4),
}
LETTERS = set("abcdefghijklmnopqrstuvwxyz")


def read_unihan(path):
    opener = bz2.open if str(path).endswith(".bz2") else open
    readings = {}
    with opener(path, "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, field, value = line.rstrip("\n").split("\t")
            if field == "kMandarin":
                readings[int(code[2:], 16)] = unicodedata.normalize("NFC", value.split()[0])
    return readings


def writable(reading):
    """The reading in letters GBK can write. GBK has no bare ü, so lüe and nüe (unambiguous without
    the dots) are written with u; a tone mark GBK has no letter for (ḿ, ń) is dropped."""
    out = []
    for i, ch in enumerate(reading):
        if ch in LETTERS or ch in TONE_LETTERS:
            out.append(ch)
        elif ch == "ü" and reading[i + 1:i + 2] in ("e", "ē", "é", "ě", "è"):
            out.append("u")
        elif unicodedata.normalize("NFD", ch)[0] in LETTERS - {"u"}:
            out.append(unicodedata.normalize("NFD", ch)[0])
        else:
            sys.exit(f"make-pinyin-table: cannot write reading {reading!r}")
    return "".join(out)


def tone_of(reading):
    for ch in reading:
        if ch in TONE_LETTERS:
            return TONE_LETTERS[ch][1]
    return 5


def plain(reading):
    return "".join(TONE_LETTERS[ch][0] if ch in TONE_LETTERS else ch for ch in reading)


def gbk_characters():
    """Every GBK double-byte character, as (bytes, character)."""
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0xFF):
            if trail == 0x7F:
                continue
            raw = bytes([lead, trail])
            try:
                ch = raw.decode("gbk")
            except UnicodeDecodeError:
                continue
            if len(ch) == 1:
                yield raw, ch


def is_gb2312(raw):
    return 0xB0 <= raw[0] <= 0xF7 and 0xA1 <= raw[1] <= 0xFE


def build_entries(readings):
    entries = []
    for raw, ch in gbk_characters():
        reading = FORCED.get(ch) or EXTRA.get(ch) or readings.get(ord(unicodedata.normalize("NFC", ch)))
        if not reading:
            continue
        reading = writable(reading)
        # The syllable jun is written with its tone as a digit.
        if plain(reading) == "jun":
            reading = "jun" + str(tone_of(reading))
        entries.append((raw, ch, reading))
    for ch in list(FORCED) + list(EXTRA):
        if not any(e[1] == ch for e in entries):
            sys.exit(f"make-pinyin-table: {ch} is no GBK character")

    def key(entry):
        raw, ch, reading = entry
        lead = LEADING.index(ch) if ch in LEADING else len(LEADING)
        tone = int(reading[-1]) if reading[-1].isdigit() else tone_of(reading)
        return (plain(reading.rstrip("12345")), tone, lead, not is_gb2312(raw), raw)

    entries.sort(key=key)
    return entries


def encode(entries):
    table = bytearray()
    for raw, ch, reading in entries:
        encoded = reading.encode("gbk")
        if not 1 <= len(reading) - reading[-1].isdigit() <= 6:
            sys.exit(f"make-pinyin-table: reading {reading!r} of {ch} has the wrong length")
        table += raw + encoded + b","
    return bytes(table)


def literal_lines(data, width=100):
    """The bytes as C string literal pieces: letters and digits as they are, every other byte octal."""
    lines, line = [], ""
    for b in data:
        piece = chr(b) if (0x30 <= b <= 0x39 or 0x61 <= b <= 0x7A or b == 0x2C) else f"\\{b:03o}"
        if len(line) + len(piece) > width:
            lines.append(f'    "{line}"')
            line = ""
        line += piece
    if line:
        lines.append(f'    "{line}"')
    return "\n".join(lines)


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else UNIHAN
    output = Path(sys.argv[2]) if len(sys.argv) > 2 else OUTPUT
    entries = build_entries(read_unihan(source))
    data = encode(entries)
    gb2312 = sum(1 for raw, _, _ in entries if is_gb2312(raw))
    text = f"""// Generated by tools/make-pinyin-table.py from the Unihan kMandarin readings; do not edit.
// {len(entries)} entries ({gb2312} of GB2312), {len(data)} bytes of GBK text.
#include "server/builder/pinyin_table.h"

namespace server {{

namespace {{

// Octal escapes keep the bytes GBK whatever the compiler's charsets.
constexpr char kPinyinTable[] =
{literal_lines(data)};

}} // namespace

const common::GbkText& pinyin_table()
{{
    static const common::GbkText table(kPinyinTable, sizeof(kPinyinTable) - 1);
    return table;
}}

}} // namespace server
"""
    output.write_text(text, encoding="ascii")
    print(f"{output}: {len(entries)} entries, {gb2312} of GB2312, {len(data)} bytes")


if __name__ == "__main__":
    main()
