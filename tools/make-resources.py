#!/usr/bin/python3
"""Regenerates every built-in picture, sound and the program icon in resources/.

Pictures are drawn with ImageMagick (Debian's /usr/bin/convert) and the CJK font of fonts-wqy-microhei;
the sounds, the icon container and the WAV headers are written here so that their bytes are exact.
Running it again gives the same files: no dates in the pictures, fixed seeds for the textures.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources")
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# Keep pictures byte-stable between runs: no time stamps, no comments, no profiles.
PNG_OUT = ["-strip", "-depth", "8", "-define", "png:exclude-chunks=date,time", "-define", "png:color-type=6"]
JPEG_OUT = ["-strip", "-sampling-factor", "2x2", "-interlace", "none"]


def convert(*args):
    subprocess.run([CONVERT, *args], check=True)


def out(name):
    return os.path.join(OUT, name)


# ---- pictures -------------------------------------------------------------------------------------------


def tile_waiting_picture():
    # The tile a contestant machine shows until it hands in: black, a light-blue caption over a thin rule.
    convert("-size", "500x276", "xc:black",
            "-font", CJK_FONT, "-pointsize", "26", "-fill", "#8fd3ff",
            "-annotate", "+16+40", "正在等待连接…",
            "-stroke", "#5fa8e0", "-strokewidth", "2", "-draw", "line 14,56 486,56",
            *JPEG_OUT, "-quality", "92", out("tile_waiting.jpg"))


def mark_picture(draw, name):
    # Drawn four times larger and scaled down for smooth edges on a transparent ground.
    convert("-size", "512x512", "xc:none", *draw,
            "-filter", "Lanczos", "-resize", "128x128", *PNG_OUT, out(name))


def tick_picture():
    path = "path 'M 70,270 L 200,400 L 445,120'"
    mark_picture(["-fill", "none", "-stroke", "#0d5e1c", "-strokewidth", "92",
                  "-draw", f"stroke-linecap round stroke-linejoin round {path}",
                  "-stroke", "#2fbf45", "-strokewidth", "64",
                  "-draw", f"stroke-linecap round stroke-linejoin round {path}",
                  "-stroke", "#7ee88c", "-strokewidth", "14",
                  "-draw", "stroke-linecap round path 'M 92,262 L 196,366'"], "tick.png")


def cross_picture():
    lines = "path 'M 110,110 L 402,402 M 402,110 L 110,402'"
    mark_picture(["-fill", "none", "-stroke", "#7a0d0d", "-strokewidth", "96",
                  "-draw", f"stroke-linecap round {lines}",
                  "-stroke", "#e0262a", "-strokewidth", "68",
                  "-draw", f"stroke-linecap round {lines}",
                  "-stroke", "#ff8a7a", "-strokewidth", "12",
                  "-draw", "stroke-linecap round path 'M 126,112 L 250,236'"], "cross.png")


def question_icon_picture():
    mark_picture(["-fill", "#0b3f8c", "-draw", "circle 256,256 256,16",
                  "-fill", "#1f6fd6", "-draw", "circle 256,256 256,34",
                  "-fill", "#3b8cf0", "-draw", "circle 256,236 256,50",
                  "-fill", "#ffffff40", "-draw", "ellipse 256,140 150,70 0,360",
                  "-font", LATIN_BOLD, "-pointsize", "330", "-fill", "white", "-stroke", "#0b3f8c",
                  "-strokewidth", "6", "-gravity", "center", "-annotate", "+0+14", "?"],
                 "question_icon.png")


def box_icon_picture():
    # A closed carton seen from above and in front, tape along the top seam.
    mark_picture(["-stroke", "#5b3a14", "-strokewidth", "10",
                  "-fill", "#d9a35c", "-draw", "stroke-linejoin round polygon 256,70 466,160 256,250 46,160",
                  "-fill", "#b97b34", "-draw", "stroke-linejoin round polygon 46,160 256,250 256,460 46,370",
                  "-fill", "#a0652a", "-draw", "stroke-linejoin round polygon 256,250 466,160 466,370 256,460",
                  "-stroke", "none", "-fill", "#efe0bf",
                  "-draw", "polygon 130,124 340,214 376,198 166,108",
                  "-fill", "#efe0bf", "-draw", "polygon 340,214 376,198 376,250 340,266",
                  "-stroke", "#5b3a14", "-strokewidth", "4", "-fill", "none",
                  "-draw", "line 150,116 360,206"], "box_icon.png")


def default_logo_picture():
    # Contest illustration: a ring-bound notebook, a fountain pen and a magnifying glass under a red title.
    with tempfile.TemporaryDirectory() as tmp:
        scene = os.path.join(tmp, "scene.png")
        rings = " ".join(f"roundrectangle {x},84 {x + 12},112 6,6" for x in range(92, 300, 22))
        lines = " ".join(f"line 80,{y} 300,{y}" for y in range(140, 330, 22))
        convert("-size", "648x360", "gradient:#fff8e8-#f2dfb8",
                # notebook: shadow, cover, page, rule lines, margin, rings
                "-fill", "#00000030", "-draw", "roundrectangle 70,104 322,346 10,10",
                "-fill", "#2d5b8a", "-draw", "roundrectangle 62,96 314,338 10,10",
                "-fill", "#fffdf6", "-draw", "rectangle 72,98 306,330",
                "-stroke", "#b9d3ea", "-strokewidth", "2", "-draw", lines,
                "-stroke", "#e59a9a", "-draw", "line 104,120 104,328",
                "-stroke", "#555555", "-strokewidth", "3", "-fill", "#d8d8d8", "-draw", rings,
                "-stroke", "none",
                # handwriting on the page
                "-font", CJK_FONT, "-fill", "#33415c", "-pointsize", "30",
                "-annotate", "+120+190", "听  写", "-pointsize", "24", "-annotate", "+120+256", "汉字之美",
                # fountain pen lying across the page
                "-fill", "#00000028", "-draw", "polygon 196,322 378,148 392,162 212,338",
                "-fill", "#1b1b1b", "-draw", "polygon 190,312 370,140 386,156 206,328",
                "-fill", "#c9a13b", "-draw", "polygon 296,212 306,202 322,218 312,228",
                "-fill", "#c9a13b", "-draw", "polygon 370,140 378,132 394,148 386,156",
                "-fill", "#d8b24a", "-draw", "polygon 190,312 206,328 168,352",
                "-stroke", "#5a4a1a", "-strokewidth", "2", "-draw", "line 198,322 176,344",
                "-stroke", "none",
                # magnifying glass
                "-fill", "#5a3516", "-draw", "polygon 536,280 556,262 616,334 596,352",
                "-fill", "#bfe3ff70", "-stroke", "#7a7a7a", "-strokewidth", "12",
                "-draw", "circle 488,222 488,162",
                "-stroke", "#d9d9d9", "-strokewidth", "4", "-fill", "none",
                "-draw", "arc 440,174 536,270 200,260",
                "-stroke", "none",
                scene)
        title = os.path.join(tmp, "title.png")
        # The title in red with a heavy stroke (the font has no bold face) and a seal stamp after it.
        convert("-size", "648x360", "xc:none",
                "-font", CJK_FONT, "-pointsize", "52", "-fill", "#c8161d", "-stroke", "#c8161d",
                "-strokewidth", "3", "-annotate", "+300+78", "汉字听写大会",
                "-stroke", "none", "-fill", "#c8161d", "-draw", "roundrectangle 372,112 448,188 6,6",
                "-fill", "#fff4e4", "-pointsize", "30", "-annotate", "+379+146", "听写",
                "-annotate", "+379+180", "大赛",
                title)
        convert(scene, title, "-compose", "over", "-composite", *JPEG_OUT, "-quality", "90",
                out("default_logo.jpg"))


def display_background_picture():
    # Pale paper with faint calligraphy on the left and misty trees and a pavilion roof at the bottom right.
    with tempfile.TemporaryDirectory() as tmp:
        paper = os.path.join(tmp, "paper.png")
        convert("-seed", "1218", "-size", "994x644", "plasma:#f4ecd8-#e6d8b8", "-blur", "0x2",
                "-modulate", "104,60", "(", "-size", "994x644", "xc:", "+noise", "Random", "-colorspace", "Gray",
                "-blur", "0x0.6", ")", "-compose", "softlight", "-composite",
                "-fill", "#efe4c8", "-colorize", "35%", paper)
        art = os.path.join(tmp, "art.png")
        pines = " ".join(f"ellipse {x},{y} {rx},{ry} 0,360" for x, y, rx, ry in
                         [(720, 520, 60, 34), (760, 480, 46, 30), (800, 515, 64, 36), (890, 470, 52, 36),
                          (930, 520, 70, 40), (850, 540, 80, 30)])
        convert("-size", "994x644", "xc:none",
                # calligraphy columns, very light
                "-font", CJK_FONT, "-fill", "#5a4630", "-pointsize", "64",
                "-annotate", "+60+110", "书\n山\n有\n路\n勤\n为\n径",
                "-pointsize", "64", "-annotate", "+150+150", "学\n海\n无\n涯\n苦\n作\n舟",
                "-channel", "A", "-evaluate", "multiply", "0.13", "+channel",
                art)
        trees = os.path.join(tmp, "trees.png")
        convert("-size", "994x644", "xc:none",
                "-fill", "#4d5b4a", "-draw", pines,
                "-stroke", "#3f4a3c", "-strokewidth", "6",
                "-draw", "line 760,500 764,620 line 890,490 886,620 line 930,520 934,620",
                "-stroke", "none",
                # pavilion roof with upturned eaves, its posts and a railing
                "-fill", "#3d3a36",
                "-draw", "path 'M 760,560 Q 800,552 820,520 L 900,520 Q 920,552 960,560 Q 930,566 900,562 "
                         "L 820,562 Q 790,566 760,560 Z'",
                "-draw", "polygon 836,520 884,520 872,500 848,500",
                "-draw", "rectangle 856,486 864,500",
                "-fill", "#4a4640", "-draw", "rectangle 826,562 834,620 rectangle 886,562 894,620",
                "-blur", "0x5", "-channel", "A", "-evaluate", "multiply", "0.32", "+channel",
                trees)
        mist = os.path.join(tmp, "mist.png")
        convert("-size", "994x644", "xc:none", "-fill", "#f6f0e0",
                "-draw", "ellipse 860,600 260,40 0,360", "-blur", "0x18",
                "-channel", "A", "-evaluate", "multiply", "0.8", "+channel", mist)
        convert(paper, art, "-composite", trees, "-composite", mist, "-composite",
                *JPEG_OUT, "-quality", "88", out("display_background.jpg"))


def program_icon():
    # 32 x 32, 32 bits per pixel: a red rounded square with a writing brush.
    with tempfile.TemporaryDirectory() as tmp:
        big = os.path.join(tmp, "icon.png")
        convert("-size", "256x256", "xc:none",
                "-fill", "#b3121b", "-draw", "roundrectangle 8,8 248,248 44,44",
                "-fill", "#d8262e", "-draw", "roundrectangle 20,20 236,236 36,36",
                # brush handle from top right down to the tip at the lower left
                "-stroke", "#3a2412", "-strokewidth", "26", "-draw", "stroke-linecap round line 206,50 116,140",
                "-stroke", "#f1d28a", "-strokewidth", "30", "-draw", "line 124,132 106,150",
                "-stroke", "none", "-fill", "#1a1a1a",
                "-draw", "path 'M 96,140 Q 70,160 56,206 Q 92,196 118,162 Z'",
                "-fill", "white", "-draw", "path 'M 48,220 Q 110,214 180,222 Q 110,232 48,226 Z'",
                big)
        raw = subprocess.run([CONVERT, big, "-filter", "Lanczos", "-resize", "32x32", "-depth", "8", "rgba:-"],
                             check=True, capture_output=True).stdout
    if len(raw) != 32 * 32 * 4:
        sys.exit("icon: unexpected pixel data")
    write_ico(out("program.ico"), raw, 32)


def write_ico(path, rgba, size):
    # One BMP-style image: BITMAPINFOHEADER (double height for the AND mask), BGRA rows bottom-up,
    # then a 1-bit AND mask with 32-bit aligned rows.
    xor = bytearray()
    mask = bytearray()
    row_mask_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        bits = bytearray(row_mask_bytes)
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            if a < 8:
                # Resampling leaves a faint halo; the corners must be clear for the AND mask.
                r = g = b = a = 0
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


# ---- sounds ---------------------------------------------------------------------------------------------


def write_wav(path, rate, frames):
    # Canonical 44-byte header: RIFF, a 16-byte fmt chunk, then data; 2 channels of 16-bit PCM.
    data = bytearray()
    for left, right in frames:
        data += struct.pack("<hh", clamp16(left), clamp16(right))
    header = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" +
              b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16) +
              b"data" + struct.pack("<I", len(data)))
    with open(path, "wb") as f:
        f.write(header + data)


def clamp16(value):
    return max(-32768, min(32767, int(round(value))))


def start_sound():
    # A struck bell: inharmonic partials, each decaying on its own, the whole fading to silence at the end.
    rate, count = 22050, 130000 // 4
    partials = [(1.0, 1.0, 2.2), (2.0, 0.55, 3.0), (2.76, 0.42, 4.2), (5.4, 0.25, 6.5), (8.93, 0.12, 9.0)]
    base = 587.33
    frames = []
    for i in range(count):
        t = i / rate
        attack = min(1.0, t / 0.004)
        fade = 1.0 - i / (count - 1)
        left = right = 0.0
        for ratio, gain, decay in partials:
            env = gain * math.exp(-decay * t)
            left += env * math.sin(2 * math.pi * base * ratio * t)
            right += env * math.sin(2 * math.pi * base * ratio * 1.0015 * t + 0.3)
        scale = 12500 * attack * fade
        frames.append((left * scale, right * scale))
    write_wav(out("start.wav"), rate, frames)


def final_seconds_sound():
    # 0.6 s silence, five 0.1 s pips one second apart, then a 0.5 s tone one second after the last pip.
    rate, count = 24000, 620736 // 4
    bursts = [(0.6 + k, 0.1) for k in range(5)] + [(5.6, 0.5)]
    ramp = 0.005
    frames = []
    for i in range(count):
        t = i / rate
        value = 0.0
        for start, length in bursts:
            if start <= t < start + length:
                local = t - start
                env = min(1.0, local / ramp, (length - local) / ramp)
                value = env * 14000 * math.sin(2 * math.pi * 1000 * local)
        frames.append((value, value))
    write_wav(out("final_seconds.wav"), rate, frames)


def main():
    os.makedirs(OUT, exist_ok=True)
    for make in (program_icon, tile_waiting_picture, tick_picture, cross_picture, question_icon_picture,
                 box_icon_picture, default_logo_picture, display_background_picture, start_sound,
                 final_seconds_sound):
        make()
        print("made", make.__name__)


if __name__ == "__main__":
    main()
