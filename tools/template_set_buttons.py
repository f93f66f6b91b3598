#!/usr/bin/python3
"""Draws the button images of the built-in page templates that page with buttons.

    /usr/bin/python3 tools/template_set_buttons.py [DATA_FOLDER]

Needs Debian's python3-pil. The output is committed; rerun this only after changing a drawing.
For each template below it writes, into data/templates/<name>/, PNG files with alpha:
  btn_prev_n.png, btn_next_n.png   the buttons of a page that has a previous / next page
  btn_prev_g.png, btn_next_g.png   the gray buttons of the first / last page
and, for the banner template, its 1 x 132 background gradient banner_bg.png (a gradient as a
picture, because the help viewer's engine knows no gradient in style sheets).

Shapes are drawn eight times larger and reduced with a box filter for clean edges.
"""

import os
import sys

from PIL import Image, ImageDraw

SS = 8

# name: (size, shape, {state: (face, border, arrow)})
BUTTONS = {
    # light pills on the navy side column
    "sidebar": (26, "pill", {
        "n": ((255, 255, 255, 255), (255, 255, 255, 255), (35, 48, 68, 255)),
        "g": ((255, 255, 255, 28), (255, 255, 255, 60), (124, 138, 160, 255)),
    }),
    # indigo discs on the pale strip under the banner
    "banner": (28, "disc", {
        "n": ((61, 75, 170, 255), (61, 75, 170, 255), (255, 255, 255, 255)),
        "g": ((226, 229, 240, 255), (208, 212, 228, 255), (160, 166, 190, 255)),
    }),
    # outlined squares on the white card
    "boxed": (28, "square", {
        "n": ((255, 255, 255, 255), (214, 94, 28, 255), (214, 94, 28, 255)),
        "g": ((246, 247, 249, 255), (220, 223, 228, 255), (186, 191, 199, 255)),
    }),
}


def face(draw, shape, big, fill, border):
    w = SS  # one pixel of border at the final size
    box = [SS // 2, SS // 2, big - SS // 2 - 1, big - SS // 2 - 1]
    if shape == "disc":
        draw.ellipse(box, fill=border)
        draw.ellipse([box[0] + w, box[1] + w, box[2] - w, box[3] - w], fill=fill)
    else:
        radius = {"pill": big // 2, "square": 5 * SS}[shape]
        draw.rounded_rectangle(box, radius=radius, fill=border)
        inner = [box[0] + w, box[1] + w, box[2] - w, box[3] - w]
        draw.rounded_rectangle(inner, radius=max(radius - w, 0), fill=fill)


def arrow(draw, big, colour, pointing_left):
    # A chevron: two strokes meeting at the tip, with round ends and a round joint.
    c = big / 2
    arm, reach, width = big * 0.19, big * 0.10, big * 0.095
    tip = (c - reach, c) if pointing_left else (c + reach, c)
    back = c + reach if pointing_left else c - reach
    pts = [(back, c - arm), tip, (back, c + arm)]
    draw.line(pts, fill=colour, width=int(width), joint="curve")
    r = width / 2
    for x, y in pts:
        draw.ellipse([x - r, y - r, x + r, y + r], fill=colour)


def button(size, shape, colours, pointing_left):
    big = size * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    fill, border, arrow_colour = colours
    face(ImageDraw.Draw(img), shape, big, fill, border)
    layer = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    arrow(ImageDraw.Draw(layer), big, arrow_colour, pointing_left)
    img = Image.alpha_composite(img, layer)
    return img.resize((size, size), Image.BOX)


def banner_background(path):
    top, bottom, height = (47, 58, 150), (74, 88, 186), 132
    img = Image.new("RGB", (1, height))
    for y in range(height):
        t = y / (height - 1)
        img.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    img.save(path, optimize=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data")
    for template, (size, shape, states) in BUTTONS.items():
        folder = os.path.join(data, "templates", template)
        os.makedirs(folder, exist_ok=True)
        for state, colours in states.items():
            for name, left in (("prev", True), ("next", False)):
                img = button(size, shape, colours, left)
                img.save(os.path.join(folder, "btn_%s_%s.png" % (name, state)), optimize=True)
    banner_background(os.path.join(data, "templates", "banner", "banner_bg.png"))


if __name__ == "__main__":
    main()
