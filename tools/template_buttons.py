#!/usr/bin/python3
"""Draws the previous/next buttons of the two default page templates.

    /usr/bin/python3 tools/template_buttons.py [DATA_FOLDER]

Needs Debian's python3-pil. The output is committed; rerun this only after changing a drawing.
For each of data/templates/fixedtop/ (buttons on a dark title bar) and
data/templates/standard1/ (buttons on a light band) it writes 28 x 28 PNG files with alpha:
  btn_prev_n.png, btn_next_n.png   the buttons of a page that has a previous / next page
  btn_prev_g.png, btn_next_g.png   the gray buttons of the first / last page

Each button is a rounded square with a chevron, drawn eight times larger and reduced with a
box filter for clean anti-aliased edges.
"""

import os
import sys

from PIL import Image, ImageDraw

SIZE = 28
SS = 8

# (face, chevron) colours per template and state.
STYLES = {
    "fixedtop": {
        "n": ((37, 99, 235, 255), (255, 255, 255, 255)),     # blue button on the slate bar
        "g": ((255, 255, 255, 38), (148, 163, 184, 255)),    # faint glass, muted chevron
    },
    "standard1": {
        "n": ((13, 148, 136, 255), (255, 255, 255, 255)),    # teal button on the light band
        "g": ((226, 232, 240, 255), (148, 163, 184, 255)),   # slate-100 face, slate-400 chevron
    },
}


def button(face, chevron, pointing_left):
    big = SIZE * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    inset = 1 * SS
    d.rounded_rectangle([inset, inset, big - inset - 1, big - inset - 1], radius=7 * SS, fill=face)
    # The chevron: two strokes meeting at the tip, with round ends.
    cx, cy = big / 2, big / 2
    arm, reach, width = 5.2 * SS, 3.0 * SS, 2.6 * SS
    tip = (cx - reach, cy) if pointing_left else (cx + reach, cy)
    back = cx + reach * 0.9 if pointing_left else cx - reach * 0.9
    pts = [(back, cy - arm), tip, (back, cy + arm)]
    layer = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    ld = ImageDraw.Draw(layer)
    ld.line(pts, fill=chevron, width=int(width), joint="curve")
    r = width / 2
    for x, y in (pts[0], pts[2]):
        ld.ellipse([x - r, y - r, x + r, y + r], fill=chevron)
    img = Image.alpha_composite(img, layer)
    return img.resize((SIZE, SIZE), Image.BOX)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data")
    for template, states in STYLES.items():
        folder = os.path.join(data, "templates", template)
        os.makedirs(folder, exist_ok=True)
        for state, (face, chevron) in states.items():
            for name, left in (("prev", True), ("next", False)):
                img = button(face, chevron, left)
                img.save(os.path.join(folder, "btn_%s_%s.png" % (name, state)), optimize=True)


if __name__ == "__main__":
    main()
