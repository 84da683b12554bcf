#!/usr/bin/env python3
"""Draws the application icon from the meter face artwork and renders its PNG sizes.

The icon is the meter itself, reduced to what still reads at 16 pixels: the body, the
microphone grille, the LCD showing two digits, and a row of keys. It reuses the drawing code
and colours of src/resources/make_artwork.py, so it changes with the program's own artwork.

Writes org.quedral.Quedral.svg and hicolor/SIZExSIZE/org.quedral.Quedral.png next to this
script. The generated files are committed (the build installs them and never runs this
script, so building needs no SVG renderer); after changing the drawing, run

    python3 packaging/icons/make_icon.py

(needs rsvg-convert, package librsvg2-bin) and commit the output.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "..", "src", "resources"))
import make_artwork as art  # noqa: E402

APP_ID = "org.quedral.Quedral"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Two large digits on the LCD, drawn like the program's large glyphs but bolder.
DIGIT = art.SegmentFont(x0=0, y0=0, x1=40, y1=66, t=11, gap=1.4, slant=0.07)


def icon():
    b = [art.BODY_DEFS,
         '<rect x="44" y="6" width="168" height="244" rx="30" fill="url(#body)" stroke="#0a0b0d" stroke-width="4"/>',
         art.grille(128, 48, 26),
         '<rect x="56" y="88" width="144" height="102" rx="10" fill="url(#bezel)" stroke="#4d525a" stroke-width="2"/>',
         f'<rect x="64" y="96" width="128" height="86" rx="4" fill="{art.LCD_FACE}"/>']
    for dx, digit in ((76, 6), (128, 3)):
        b.append(DIGIT.draw(art.DIGIT_SEGMENTS[digit], ghost=False, dx=dx, dy=106).rstrip())
    b.append(art.key(66, 204, 54, 30, "power", ""))
    b.append(art.key(136, 204, 54, 30, "grey", ""))
    return art.svg(256, 256, "\n".join(b) + "\n")


def main():
    scalable = os.path.join(HERE, APP_ID + ".svg")
    with open(scalable, "w", encoding="utf-8") as f:
        f.write(icon())
    for size in SIZES:
        folder = os.path.join(HERE, "hicolor", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o",
                        os.path.join(folder, APP_ID + ".png"), scalable], check=True)


if __name__ == "__main__":
    main()
