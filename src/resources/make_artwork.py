#!/usr/bin/env python3
"""Writes the meter face artwork as SVG files next to this script.

Standard library only. The generated files are committed; the build does not
run this script. Re-run it after changing the drawing and commit the output:

    python3 src/resources/make_artwork.py

The positions used for the LCD window, the ghost digits and the keys must
match the element positions in src/panel/tfrmpanel.cpp.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "artwork")

LCD_FACE = "#c4ccb6"     # flat LCD face; glyph backgrounds use the same colour
SEG_ON = "#1b211c"       # dark segment
SEG_GHOST = "#bac2ac"    # unlit segment, just visible on the face
# single family names: the SVG renderer takes the family as one name
FONT = "DejaVu Sans"
FONT_COND = "DejaVu Sans"

# Segment sets (a top, b upper right, c lower right, d bottom, e lower left,
# f upper left, g middle).
DIGIT_SEGMENTS = {
    0: "abcdef", 1: "bc", 2: "abdeg", 3: "abcdg", 4: "bcfg",
    5: "acdfg", 6: "acdefg", 7: "abc", 8: "abcdefg", 9: "abcdfg",
}
# Large glyph table: 0-9 digits, 10 blank, 11 and 12 dash, 13 L, 14 E, 15 r.
LARGE_TABLE = [DIGIT_SEGMENTS[i] for i in range(10)] + ["", "g", "g", "def", "adefg", "eg"]


def svg(w, h, body):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" version="1.1" '
            f'width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n{body}</svg>\n')


def fmt(v):
    s = f"{v:.2f}".rstrip("0").rstrip(".")
    return s if s != "-0" else "0"


class SegmentFont:
    """Seven-segment geometry in a box, sheared slightly to the right."""

    def __init__(self, x0, y0, x1, y1, t, gap, slant):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.t, self.gap, self.slant = t, gap, slant
        self.ym = (y0 + y1) / 2.0

    def _shear(self, pts, dx, dy):
        return [(x + self.slant * (self.ym - y) + dx, y + dy) for x, y in pts]

    def _hseg(self, y):
        t, g = self.t, self.gap
        xa, xb = self.x0 + t / 2 + g, self.x1 - t / 2 - g
        h = t / 2
        return [(xa, y), (xa + h, y - h), (xb - h, y - h), (xb, y), (xb - h, y + h), (xa + h, y + h)]

    def _vseg(self, x, ya, yb):
        h = self.t / 2
        return [(x, ya), (x + h, ya + h), (x + h, yb - h), (x, yb), (x - h, yb - h), (x - h, ya + h)]

    def segment(self, name, dx=0.0, dy=0.0):
        t, g = self.t, self.gap
        xl, xr = self.x0 + t / 2, self.x1 - t / 2
        top, bot, ym = self.y0 + t / 2, self.y1 - t / 2, self.ym
        pts = {
            "a": self._hseg(top),
            "g": self._hseg(ym),
            "d": self._hseg(bot),
            "f": self._vseg(xl, top + g, ym - g),
            "b": self._vseg(xr, top + g, ym - g),
            "e": self._vseg(xl, ym + g, bot - g),
            "c": self._vseg(xr, ym + g, bot - g),
        }[name]
        return " ".join(f"{fmt(x)},{fmt(y)}" for x, y in self._shear(pts, dx, dy))

    def draw(self, lit, ghost=True, dx=0.0, dy=0.0):
        out = []
        for s in "abcdefg":
            if s in lit:
                out.append(f'<polygon points="{self.segment(s, dx, dy)}" fill="{SEG_ON}"/>')
            elif ghost:
                out.append(f'<polygon points="{self.segment(s, dx, dy)}" fill="{SEG_GHOST}"/>')
        return "\n".join(out) + "\n"


LARGE = SegmentFont(x0=8, y0=5, x1=32, y1=65, t=6.6, gap=0.9, slant=0.07)
SMALL = SegmentFont(x0=2.2, y0=2, x1=10.8, y1=20, t=2.6, gap=0.35, slant=0.07)


def large_glyph(segs):
    return svg(39, 70, f'<rect width="39" height="70" fill="{LCD_FACE}"/>\n' + LARGE.draw(segs))


def small_glyph(segs):
    return svg(13, 22, f'<rect width="13" height="22" fill="{LCD_FACE}"/>\n' + SMALL.draw(segs))


def point():
    return svg(7, 7, f'<rect x="0.5" y="0.5" width="6" height="6" rx="1" fill="{SEG_ON}"/>\n')


def separator():
    return svg(5, 22, f'<rect width="5" height="22" fill="{LCD_FACE}"/>\n'
                      f'<rect x="1" y="5.5" width="3" height="3" fill="{SEG_ON}"/>\n'
                      f'<rect x="1" y="13.5" width="3" height="3" fill="{SEG_ON}"/>\n')


def indicator(text, w, arrow_up):
    # a small filled triangle and a word, printed in segment black
    tri = "1,10 5,3 9,10" if arrow_up else "1,3 9,3 5,10"
    return svg(w, 13, f'<polygon points="{tri}" fill="{SEG_ON}"/>\n'
                      f'<text x="11" y="10.5" font-family="{FONT_COND}" font-size="9" '
                      f'font-weight="bold" fill="{SEG_ON}">{text}</text>\n')


def color_bar():
    # 26 blocks of 5 pixels with a 1 pixel gap: green, then yellow, then red
    stops = [(0.0, (0x2b, 0xb0, 0x3c)), (0.55, (0x9c, 0xc8, 0x1e)), (0.72, (0xf0, 0xd0, 0x18)),
             (0.86, (0xf0, 0x80, 0x1a)), (1.0, (0xe0, 0x28, 0x22))]

    def colour(f):
        for (fa, ca), (fb, cb) in zip(stops, stops[1:]):
            if f <= fb:
                u = (f - fa) / (fb - fa)
                return "#" + "".join(f"{round(a + (b - a) * u):02x}" for a, b in zip(ca, cb))
        return "#e02822"

    body = [f'<rect width="156" height="25" fill="{LCD_FACE}"/>']
    n = 26
    for i in range(n):
        x = i * 6
        h = 9 + 14 * i / (n - 1)  # blocks grow a little towards the top of the range
        body.append(f'<rect x="{x}" y="{fmt(23 - h)}" width="5" height="{fmt(h)}" '
                    f'fill="{colour(i / (n - 1))}" stroke="{SEG_ON}" stroke-width="0.4"/>')
    return svg(156, 25, "\n".join(body) + "\n")


def battery():
    return svg(22, 11,
               f'<rect x="0.75" y="0.75" width="18" height="9.5" rx="1" fill="none" stroke="{SEG_ON}" stroke-width="1.5"/>\n'
               f'<rect x="19" y="3" width="2.5" height="5" fill="{SEG_ON}"/>\n'
               f'<rect x="3" y="3" width="4" height="5" fill="{SEG_ON}"/>\n'
               f'<rect x="8" y="3" width="4" height="5" fill="{SEG_ON}"/>\n'
               f'<rect x="13" y="3" width="4" height="5" fill="{SEG_ON}"/>\n')


def auto_off():
    # a clock face with the word AUTO beside it
    return svg(34, 16,
               f'<circle cx="7" cy="8" r="6" fill="none" stroke="{SEG_ON}" stroke-width="1.5"/>\n'
               f'<polyline points="7,4 7,8 10,10" fill="none" stroke="{SEG_ON}" stroke-width="1.4"/>\n'
               f'<text x="15" y="11.5" font-family="{FONT_COND}" font-size="8" font-weight="bold" '
               f'fill="{SEG_ON}">OFF</text>\n')


def cross():
    return svg(32, 32,
               '<g stroke="#ffffff" stroke-width="3" stroke-linecap="square">\n'
               '<line x1="16" y1="1" x2="16" y2="12"/><line x1="16" y1="20" x2="16" y2="31"/>\n'
               '<line x1="1" y1="16" x2="12" y2="16"/><line x1="20" y1="16" x2="31" y2="16"/>\n'
               '</g>\n'
               '<g stroke="#000000" stroke-width="1">\n'
               '<line x1="16" y1="1" x2="16" y2="12"/><line x1="16" y1="20" x2="16" y2="31"/>\n'
               '<line x1="1" y1="16" x2="12" y2="16"/><line x1="20" y1="16" x2="31" y2="16"/>\n'
               '</g>\n'
               '<rect x="15" y="15" width="2" height="2" fill="#000000"/>\n')


# --- the meter front -------------------------------------------------------

# Large digits (left, top) and small digits (left); small digits sit at top 226.
LARGE_POS = [(27, 274), (67, 273), (111, 272), (160, 272)]
SMALL_X = [52, 65, 78, 91, 110, 125, 144, 158]
SMALL_TOP = 226
LCD_RECT = (20, 127, 182, 245)     # x, y, w, h of the LCD face
KEYS = [  # x, y, w, h, kind, label
    (43, 393, 48, 25, "power", ""),
    (126, 393, 53, 31, "grey", "A/C"),
    (44, 446, 48, 25, "grey", "MAX/MIN"),
    (129, 442, 49, 31, "grey", "FAST\nSLOW"),
    (50, 495, 48, 30, "rec", "REC"),
    (129, 495, 49, 30, "grey", "LEVEL"),
]


def key(x, y, w, h, kind, label):
    face = {"power": "#a9302a", "rec": "#565c66", "grey": "#565c66"}[kind]
    top = {"power": "#c9473f", "rec": "#6c737e", "grey": "#6c737e"}[kind]
    gid = f"k{x}_{y}"
    out = [f'<linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
           f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{face}"/></linearGradient>',
           # shadow, rim and face
           f'<rect x="{x - 1}" y="{y + 1}" width="{w + 2}" height="{h + 2}" rx="7" fill="#0b0c0e"/>',
           f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="6" fill="url(#{gid})" stroke="#1a1c20" stroke-width="1"/>',
           f'<rect x="{x + 2}" y="{y + 1.5}" width="{w - 4}" height="{h / 2 - 2}" rx="5" fill="#ffffff" fill-opacity="0.07"/>']
    cx, cy = x + w / 2, y + h / 2
    if kind == "power":
        out.append(f'<path d="M {fmt(cx - 4.2)} {fmt(cy - 4.5)} A 6 6 0 1 0 {fmt(cx + 4.2)} {fmt(cy - 4.5)}" '
                   f'fill="none" stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>')
        out.append(f'<line x1="{fmt(cx)}" y1="{fmt(cy - 7.5)}" x2="{fmt(cx)}" y2="{fmt(cy - 0.5)}" '
                   f'stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>')
        return "\n".join(out)
    lines = label.split("\n")
    size = 9 if len(lines) > 1 or len(label) > 4 else 10.5
    if kind == "rec":
        out.append(f'<circle cx="{fmt(x + 11)}" cy="{fmt(cy)}" r="4" fill="#e0332b"/>')
        cx += 5
    for i, line in enumerate(lines):
        ly = cy + size * 0.36 + (i - (len(lines) - 1) / 2) * (size + 1)
        out.append(f'<text x="{fmt(cx)}" y="{fmt(ly)}" text-anchor="middle" font-family="{FONT_COND}" '
                   f'font-size="{size}" font-weight="bold" fill="#f0f2f4">{line}</text>')
    return "\n".join(out)


def grille(cx, cy, r):
    out = [f'<circle cx="{cx}" cy="{cy}" r="{r + 5}" fill="#15171a" stroke="#4a4f57" stroke-width="1.5"/>',
           f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="#0d0e10"/>']
    step = 5.0
    n = int(r // step)
    for iy in range(-n, n + 1):
        for ix in range(-n, n + 1):
            x = cx + ix * step + (step / 2 if iy % 2 else 0)
            y = cy + iy * step * 0.87
            if (x - cx) ** 2 + (y - cy) ** 2 <= (r - 3) ** 2:
                out.append(f'<circle cx="{fmt(x)}" cy="{fmt(y)}" r="1.6" fill="#4b515a"/>')
    return "\n".join(out)


# The meter body's and the LCD bezel's gradients (the front and the program's icon).
BODY_DEFS = ('<defs>'
             '<linearGradient id="body" x1="0" y1="0" x2="1" y2="0">'
             '<stop offset="0" stop-color="#1e2024"/><stop offset="0.12" stop-color="#34383f"/>'
             '<stop offset="0.5" stop-color="#2c3036"/><stop offset="0.88" stop-color="#34383f"/>'
             '<stop offset="1" stop-color="#1e2024"/></linearGradient>'
             '<linearGradient id="bezel" x1="0" y1="0" x2="0" y2="1">'
             '<stop offset="0" stop-color="#0c0d0f"/><stop offset="1" stop-color="#202328"/></linearGradient>'
             '</defs>')


def front():
    lx, ly, lw, lh = LCD_RECT
    b = []
    b.append(BODY_DEFS)
    # body
    b.append('<rect width="220" height="644" fill="#17191c"/>')
    b.append('<rect x="1" y="1" width="218" height="642" rx="16" fill="url(#body)" stroke="#0a0b0d" stroke-width="2"/>')
    b.append('<rect x="4" y="4" width="212" height="636" rx="13" fill="none" stroke="#4d525a" stroke-width="1" stroke-opacity="0.6"/>')
    # title strip with the minimise and close buttons (the program puts its buttons on them)
    b.append('<rect x="174" y="6" width="42" height="18" rx="4" fill="#1a1c20"/>')
    for bx, sym in ((176, "min"), (198, "close")):
        b.append(f'<rect x="{bx}" y="8" width="16" height="14" rx="2" fill="#3c4148" stroke="#5c626b" stroke-width="0.8"/>')
        if sym == "min":
            b.append(f'<line x1="{bx + 4}" y1="17.5" x2="{bx + 12}" y2="17.5" stroke="#e8eaed" stroke-width="1.6"/>')
        else:
            b.append(f'<path d="M {bx + 4.5} 11.5 L {bx + 11.5} 18.5 M {bx + 11.5} 11.5 L {bx + 4.5} 18.5" '
                     f'stroke="#e8eaed" stroke-width="1.6"/>')
    # microphone head
    b.append(grille(110, 58, 36))
    # LCD bezel and face
    b.append(f'<rect x="{lx - 9}" y="{ly - 10}" width="{lw + 18}" height="{lh + 20}" rx="9" fill="url(#bezel)" '
             f'stroke="#4d525a" stroke-width="1"/>')
    b.append(f'<rect x="{lx - 2}" y="{ly - 2}" width="{lw + 4}" height="{lh + 4}" rx="3" fill="#0e0f11"/>')
    b.append(f'<rect x="{lx}" y="{ly}" width="{lw}" height="{lh}" rx="2" fill="{LCD_FACE}"/>')
    # printed LCD legends: dB marks under the bar ends, the thin frame around the bar
    b.append(f'<rect x="31.5" y="192.5" width="159" height="28" fill="none" stroke="{SEG_GHOST}" stroke-width="1"/>')
    for i in range(11):
        x = 33 + i * 15.5
        b.append(f'<line x1="{fmt(x)}" y1="188" x2="{fmt(x)}" y2="{192 if i % 5 else 190}" stroke="{SEG_ON}" stroke-width="1"/>')
    # ghost digits where the glyphs go, so empty positions look like an unlit LCD
    for (x, y) in LARGE_POS:
        b.append(LARGE.draw("", ghost=True, dx=x, dy=y).rstrip())
    for x in SMALL_X:
        b.append(SMALL.draw("", ghost=True, dx=x, dy=SMALL_TOP).rstrip())
    # keys
    for k in KEYS:
        b.append(key(*k))
    # lower body: model plate and grip ribs
    b.append(f'<text x="110" y="568" text-anchor="middle" font-family="{FONT}" font-size="17" font-weight="bold" '
             f'fill="#d6d9de">KV4471</text>')
    b.append(f'<text x="110" y="584" text-anchor="middle" font-family="{FONT_COND}" font-size="8.5" '
             f'font-weight="bold" fill="#8d939c">DIGITAL SOUND LEVEL METER</text>')
    for i in range(6):
        y = 598 + i * 6
        b.append(f'<rect x="50" y="{y}" width="120" height="2.5" rx="1.2" fill="#121316"/>')
        b.append(f'<rect x="50" y="{y + 2.5}" width="120" height="0.8" fill="#4a4f57" fill-opacity="0.5"/>')
    return svg(220, 644, "\n".join(b) + "\n")


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {}
    for i, segs in enumerate(LARGE_TABLE):
        files[f"LCD{i}"] = large_glyph(segs)
    for i in range(10):
        files[f"LCDS{i}"] = small_glyph(DIGIT_SEGMENTS[i])
    files["POINT"] = point()
    files["SEPARATOR"] = separator()
    files["UNDER"] = indicator("UNDER", 52, arrow_up=False)
    files["OVER"] = indicator("OVER", 40, arrow_up=True)
    files["COLORBAR"] = color_bar()
    files["BATTERY"] = battery()
    files["AUTOOFF"] = auto_off()
    files["CROSS"] = cross()
    files["PANEL"] = front()
    for name, text in files.items():
        with open(os.path.join(OUT, name.lower() + ".svg"), "w", encoding="utf-8") as f:
            f.write(text)
    with open(os.path.join(HERE, "artwork.qrc"), "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n<qresource prefix="/artwork">\n')
        for name in files:
            f.write(f'  <file alias="{name}">artwork/{name.lower()}.svg</file>\n')
        f.write('</qresource>\n</RCC>\n')


if __name__ == "__main__":
    main()
