#!/usr/bin/python3
"""Draws the pictures of the sample help document (data/sample/source/images/).

Run it with Debian's python3 and python3-pil:

    /usr/bin/python3 tools/sample_pictures.py [IMAGES_FOLDER]

The PNG files are committed; tools/make_sample.py packs them into the sample document, so
rerun this only after changing a drawing. It writes:
  main-window.png    the main window with its six setting pages, schematic
  build-flow.png     one document, one build, three outputs
  contents-tree.png  headings of the document beside the contents tree they become

Everything is drawn at twice the size and scaled down for smooth edges, then reduced to a
small palette so the files stay a few kilobytes each.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

SS = 2
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

INK = (38, 50, 66)
MUTED = (110, 122, 138)
LINE = (176, 186, 198)
PANEL = (244, 246, 249)
WHITE = (255, 255, 255)
BLUE = (33, 102, 172)
BLUE_LIGHT = (214, 230, 246)
GREEN = (46, 139, 87)
ORANGE = (214, 120, 32)
RED = (192, 57, 43)


def font(size, bold=False):
    return ImageFont.truetype(FONT_BOLD if bold else FONT, size * SS)


class Canvas:
    def __init__(self, w, h, bg=WHITE):
        self.w, self.h = w, h
        self.img = Image.new("RGB", (w * SS, h * SS), bg)
        self.d = ImageDraw.Draw(self.img)

    def box(self, x, y, w, h, fill=None, outline=None, width=1, radius=0):
        xy = [x * SS, y * SS, (x + w) * SS - 1, (y + h) * SS - 1]
        if radius:
            self.d.rounded_rectangle(xy, radius * SS, fill=fill, outline=outline, width=width * SS)
        else:
            self.d.rectangle(xy, fill=fill, outline=outline, width=width * SS)

    def line(self, points, fill=LINE, width=1):
        self.d.line([(x * SS, y * SS) for x, y in points], fill=fill, width=width * SS)

    def text(self, x, y, s, size=12, fill=INK, bold=False, anchor="la"):
        self.d.text((x * SS, y * SS), s, font=font(size, bold), fill=fill, anchor=anchor)

    def arrow(self, x1, y, x2, fill=MUTED):
        self.line([(x1, y), (x2 - 8, y)], fill=fill, width=3)
        self.d.polygon([((x2 - 10) * SS, (y - 7) * SS), (x2 * SS, y * SS), ((x2 - 10) * SS, (y + 7) * SS)], fill=fill)

    def save(self, path):
        small = self.img.resize((self.w, self.h), Image.LANCZOS)
        small = small.quantize(colors=64, method=Image.MEDIANCUT, dither=Image.NONE)
        small.save(path, optimize=True)


def main_window(path):
    c = Canvas(600, 360, PANEL)
    c.box(0, 0, 600, 360, outline=LINE)
    c.box(0, 0, 600, 30, fill=BLUE)
    c.text(12, 8, "Tavrel for Word - sample.tvp", 12, WHITE, True)
    # tool bar
    c.box(1, 30, 598, 38, fill=WHITE)
    for i, name in enumerate(["New", "Open", "Save", "Build", "From CHM..."]):
        x = 10 + i * 78
        c.box(x, 36, 70, 26, fill=BLUE_LIGHT if name == "Build" else PANEL, outline=LINE, radius=4)
        c.text(x + 35, 49, name, 11, INK, name == "Build", anchor="mm")
    c.line([(1, 68), (598, 68)])
    # tab pages
    tabs = ["Source Files", "Common", "HTML Help", "Web Help", "PDF", "Build"]
    x = 10
    for i, name in enumerate(tabs):
        w = 14 + int(font(11).getlength(name) / SS) + 14
        c.box(x, 80, w, 26, fill=WHITE if i == 2 else PANEL, outline=LINE)
        c.text(x + w / 2, 93, name, 11, INK, i == 2, anchor="mm")
        x += w + 2
    c.box(10, 105, 580, 240, fill=WHITE, outline=LINE)
    rows = [("Compiled File:", "<Project_Folder>/HTML help/help.chm"),
            ("Title:", "Tavrel for Word Sample"),
            ("Language:", "English (United States)"),
            ("Charset:", "iso-8859-1")]
    for i, (label, value) in enumerate(rows):
        y = 122 + i * 40
        c.text(26, y + 6, label, 11, MUTED)
        c.box(140, y, 360, 24, fill=WHITE, outline=LINE)
        c.text(148, y + 6, value, 11, INK)
    c.box(512, 122, 64, 24, fill=PANEL, outline=LINE, radius=3)
    c.text(544, 134, "...", 11, INK, anchor="mm")
    c.box(140, 286, 14, 14, fill=WHITE, outline=INK)
    c.line([(143, 293), (147, 297), (152, 289)], fill=GREEN, width=2)
    c.text(162, 286, "Same as project title", 11, INK)
    c.box(470, 300, 106, 30, fill=BLUE, radius=5)
    c.text(523, 315, "Window...", 11, WHITE, True, anchor="mm")
    c.save(path)


def document_icon(c, x, y, label, colour):
    c.box(x, y, 90, 112, fill=WHITE, outline=colour, width=2, radius=4)
    c.box(x, y, 90, 22, fill=colour, radius=4)
    c.text(x + 45, y + 11, label, 11, WHITE, True, anchor="mm")
    for i in range(6):
        c.line([(x + 12, y + 36 + i * 12), (x + 78 - (i % 3) * 12, y + 36 + i * 12)], fill=LINE, width=3)


def build_flow(path):
    c = Canvas(640, 240)
    document_icon(c, 20, 56, ".docx", BLUE)
    c.text(65, 182, "Word document", 11, MUTED, anchor="ma")
    c.arrow(122, 112, 200)
    c.box(206, 72, 150, 80, fill=BLUE_LIGHT, outline=BLUE, width=2, radius=10)
    c.text(281, 100, "Build", 15, BLUE, True, anchor="mm")
    c.text(281, 124, "sample.tvp", 11, INK, anchor="mm")
    outputs = [(".chm", "HTML Help", ORANGE, 22), ("web", "WebHelp", GREEN, 92), (".pdf", "PDF", RED, 162)]
    for label, name, colour, y in outputs:
        c.line([(356, 112), (390, 112), (390, y + 28), (440, y + 28)], fill=MUTED, width=3)
        c.d.polygon([(432 * SS, (y + 21) * SS), (442 * SS, (y + 28) * SS), (432 * SS, (y + 35) * SS)], fill=MUTED)
        c.box(446, y, 70, 56, fill=WHITE, outline=colour, width=2, radius=6)
        c.text(481, y + 28, label, 13, colour, True, anchor="mm")
        c.text(528, y + 28, name, 12, INK, anchor="lm")
    c.save(path)


def book(c, x, y, colour, open_=False):
    if open_:
        c.d.polygon([(x * SS, (y + 2) * SS), ((x + 7) * SS, (y + 4) * SS), ((x + 7) * SS, (y + 14) * SS), (x * SS, (y + 12) * SS)], fill=colour)
        c.d.polygon([((x + 8) * SS, (y + 4) * SS), ((x + 15) * SS, (y + 2) * SS), ((x + 15) * SS, (y + 12) * SS), ((x + 8) * SS, (y + 14) * SS)], fill=colour)
    else:
        c.box(x + 1, y + 1, 13, 14, fill=colour, radius=2)
        c.box(x + 3, y + 3, 9, 3, fill=WHITE)


def page(c, x, y):
    c.box(x + 2, y + 1, 12, 15, fill=WHITE, outline=MUTED)
    for i in range(3):
        c.line([(x + 5, y + 5 + i * 3), (x + 11, y + 5 + i * 3)], fill=LINE)


def contents_tree(path):
    c = Canvas(600, 280)
    # the document side
    c.box(16, 16, 250, 248, fill=WHITE, outline=LINE, width=2)
    c.text(30, 26, "sample.docx", 11, MUTED)
    lines = [(0, "Welcome", 16), (1, "What the program makes", 13), (0, "Writing the document", 16),
             (1, "Headings and topics", 13), (2, "Heading levels", 12), (1, "Index entries", 13)]
    y = 50
    for level, text, size in lines:
        c.text(30 + level * 14, y, text, size, BLUE if level == 0 else INK, level < 2)
        c.line([(30 + level * 14, y + size + 8), (246, y + size + 8)], fill=PANEL, width=5)
        y += size + 22
    c.arrow(276, 140, 330)
    # the contents side
    c.box(340, 16, 244, 248, fill=PANEL, outline=LINE, width=2)
    c.text(354, 26, "Contents", 11, MUTED)
    y = 52
    for level, text, _ in lines:
        x = 354 + level * 20
        has_child = level < 2 and text not in ("What the program makes", "Index entries")
        if has_child:
            book(c, x, y - 1, BLUE, open_=True)
        else:
            page(c, x, y - 1)
        c.text(x + 22, y, text, 12, INK)
        y += 32
    c.line([(362, 70), (362, 214)], fill=LINE)
    c.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "sample", "source", "images")
    os.makedirs(out, exist_ok=True)
    main_window(os.path.join(out, "main-window.png"))
    build_flow(os.path.join(out, "build-flow.png"))
    contents_tree(os.path.join(out, "contents-tree.png"))


if __name__ == "__main__":
    main()
