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
                "-stroke", "none", "-fill", "#c8161d", "-draw", "roundrectangle 562,96 626,160 6,6",
                "-fill", "#fff4e4", "-pointsize", "26", "-annotate", "+567+124", "听写",
                "-annotate", "+567+154", "大赛",
                title)
        convert(scene, title, "-compose", "over", "-composite", *JPEG_OUT, "-quality", "90",
                out("default_logo.jpg"))


def pine(x, base, height, lean):
    # An ink-wash pine: a leaning trunk and flat tiers of needles, wider towards the middle.
    top = (x + lean, base - height)
    parts = [f"stroke-linecap round path 'M {x},{base} Q {x + lean * 0.2},{base - height * 0.5} {top[0]},{top[1]}'"]
    tiers = []
    for k in range(5):
        f = 0.35 + k * 0.15
        cx = x + lean * f + (9 if k % 2 else -9)
        cy = base - height * f
        rx = height * (0.26 - abs(k - 1.5) * 0.035)
        ry = height * 0.045
        # Each tier is a few overlapping clumps, so it reads as needles rather than a disc.
        for dx, dy, scale in ((0, 0, 1.0), (-rx * 0.55, ry * 0.6, 0.55), (rx * 0.5, ry * 0.7, 0.6),
                              (rx * 0.1, -ry * 0.7, 0.5)):
            tiers.append(f"ellipse {cx + dx:.0f},{cy + dy:.0f} {rx * scale:.0f},{ry * scale:.0f} 0,360")
    return parts, tiers


def trees_layer(path, trees, colour, trunk_width, blur, opacity):
    trunks, tiers = [], []
    for tree in trees:
        t, n = pine(*tree)
        trunks += t
        tiers += n
    convert("-size", "994x644", "xc:none",
            "-fill", "none", "-stroke", colour, "-strokewidth", str(trunk_width), "-draw", " ".join(trunks),
            "-stroke", "none", "-fill", colour, "-draw", " ".join(tiers),
            "-blur", f"0x{blur}", "-channel", "A", "-evaluate", "multiply", str(opacity), "+channel", path)


def display_background_picture():
    # Pale paper with faint calligraphy on the left and misty trees and a pavilion roof at the bottom right.
    with tempfile.TemporaryDirectory() as tmp:
        def part(name):
            return os.path.join(tmp, name)

        convert("-seed", "1218", "-size", "994x644", "plasma:fractal", "-colorspace", "Gray", "-blur", "0x3",
                "-auto-level", "+level", "42%,58%", part("clouds.png"))
        convert("-seed", "7", "-size", "994x644", "xc:gray50", "+noise", "Gaussian", "-colorspace", "Gray",
                "-motion-blur", "0x12+25", "-auto-level", "+level", "41%,59%", part("fibres.png"))
        convert("-size", "994x644", "xc:#f2e8d2", part("clouds.png"), "-compose", "overlay", "-composite",
                part("fibres.png"), "-compose", "overlay", "-composite", part("paper.png"))
        # Two columns of a couplet, barely there, with a small seal beneath.
        convert("-size", "994x644", "xc:none",
                "-font", CJK_FONT, "-fill", "#3b2a1a", "-stroke", "#3b2a1a", "-strokewidth", "2",
                "-pointsize", "60", "-interline-spacing", "4",
                "-annotate", "+150+96", "书\n山\n有\n路\n勤\n为\n径",
                "-annotate", "+60+150", "学\n海\n无\n涯\n苦\n作\n舟",
                "-stroke", "none", "-blur", "0x0.8",
                "-channel", "A", "-evaluate", "multiply", "0.12", "+channel", part("couplet.png"))
        convert("-size", "994x644", "xc:none", "-fill", "#b8282a", "-draw", "roundrectangle 156,560 196,600 4,4",
                "-font", CJK_FONT, "-fill", "#f2e8d2", "-pointsize", "17", "-annotate", "+158+577", "翰墨",
                "-annotate", "+158+596", "书香",
                "-channel", "A", "-evaluate", "multiply", "0.22", "+channel", part("seal.png"))
        trees_layer(part("far.png"), [(640, 600, 140, 12), (760, 585, 150, -8), (900, 580, 180, -14)],
                    "#55625a", 5, 4, 0.22)
        trees_layer(part("near.png"), [(690, 644, 220, 30), (968, 644, 250, -34)],
                    "#2f3a30", 8, 1.5, 0.42)
        # The pavilion: a roof with upturned eaves, a finial, posts and a railing fading into the mist.
        convert("-size", "994x644", "xc:none", "-fill", "#3a3430",
                "-draw", "path 'M 818,470 L 858,470 Q 884,510 956,504 Q 932,524 896,528 L 780,528 "
                         "Q 744,524 720,504 Q 792,510 818,470 Z'",
                "-draw", "path 'M 830,472 L 838,448 L 846,472 Z'",
                "-fill", "#4a423c", "-draw", "rectangle 792,528 800,600 rectangle 876,528 884,600",
                "-draw", "rectangle 832,528 844,600",
                "-stroke", "#4a423c", "-strokewidth", "4", "-draw", "line 780,574 896,574",
                "-stroke", "none", "-blur", "0x1.2", "-channel", "A", "-evaluate", "multiply", "0.5", "+channel",
                part("pavilion.png"))
        # Mist: rising from the bottom edge and drifting between the trees.
        convert("-size", "994x644", "xc:none", "-fill", "#f4ecd9",
                "-draw", "ellipse 840,636 300,52 0,360 ellipse 640,612 200,28 0,360 ellipse 900,548 140,14 0,360",
                "-blur", "0x16", part("mist.png"))
        convert(part("paper.png"), part("couplet.png"), "-composite", part("seal.png"), "-composite",
                part("far.png"), "-composite", part("pavilion.png"), "-composite", part("near.png"), "-composite",
                part("mist.png"), "-composite",
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
                "-fill", "white", "-draw", "path 'M 40,214 Q 120,192 212,208 Q 130,240 40,228 Z'",
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
