#!/usr/bin/python3
"""Regenerates the seed pictures of the picture fuzz target in tests/fuzz/corpus/fuzz_picture/.

Random bytes almost never form a picture that libjpeg, libpng or Qt would read past the header, so
the fuzzer starts from one small file of each kind the decoder knows. Small, so that each mutation
touches something that matters; drawn with ImageMagick (Debian's /usr/bin/convert), byte-stable
between runs.
"""

import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "fuzz", "corpus", "fuzz_picture")
CONVERT = "/usr/bin/convert"
# A few colours and an edge, so that every coder has more than one value to write.
SOURCE = ["-size", "16x12", "gradient:#c03020-#2040d0", "-fill", "white", "-draw", "line 0,11 15,0"]
STABLE = ["-strip", "-define", "png:exclude-chunks=date,time"]

SEEDS = {
    "baseline.jpg": ["-quality", "80", "-sampling-factor", "2x2", "-interlace", "none"],
    "progressive.jpg": ["-quality", "80", "-interlace", "JPEG"],
    "gray.jpg": ["-colorspace", "Gray", "-quality", "80"],
    "cmyk.jpg": ["-colorspace", "CMYK", "-quality", "80"],
    "rgba.png": ["-alpha", "set", "-channel", "A", "-evaluate", "set", "60%", "+channel", "-define",
                 "png:color-type=6"],
    "palette.png": ["-colors", "4", "-define", "png:color-type=3"],
    "gray16-interlaced.png": ["-colorspace", "Gray", "-depth", "16", "-interlace", "PNG"],
    "rgb24.bmp": ["-type", "TrueColor", "BMP3:"],
    "palette.gif": ["-colors", "8"],
    "icon.ico": [],
    "picture.pcx": [],
}


def make(name, options):
    target = os.path.join(OUT, name)
    # A trailing "FORMAT:" option names the coder for the output file.
    prefix = options[-1] if options and options[-1].endswith(":") else ""
    options = options[:-1] if prefix else options
    subprocess.run([CONVERT, *SOURCE, *options, *STABLE, prefix + target], check=True)


def make_cursor():
    # A cursor is an icon whose header says type 2; ImageMagick writes only icons.
    with open(os.path.join(OUT, "icon.ico"), "rb") as icon:
        data = bytearray(icon.read())
    data[2] = 2
    with open(os.path.join(OUT, "cursor.cur"), "wb") as cursor:
        cursor.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, options in SEEDS.items():
        make(name, options)
    make_cursor()
    return 0


if __name__ == "__main__":
    sys.exit(main())
