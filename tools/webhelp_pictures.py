#!/usr/bin/python3
"""Draws every picture of the WebHelp installation folder (data/webhelp/).

Run it with Debian's python3 and python3-pil (and python3-numpy):

    /usr/bin/python3 tools/webhelp_pictures.py [DATA_WEBHELP_FOLDER]

The output is committed; rerun this only after changing a drawing. It writes:
  icons/1.gif ... icons/42.gif      contents icons, 16 x 16, flat colours
  ricons/1.gif ... ricons/42.gif    the same icons shaded (the "true colour" set)
  icons-png/N.png, icons-png/N@2x.png  16 and 32 pixel copies with real alpha, for the
                                    main window's icon strip
  imgs/*.gif                        tree lines, junctions and expand buttons, 20 x 24
  images/*.gif                      the five header buttons, 20 x 20, light glyphs
  bg/back1.jpg ... bg/back9.jpg     nine dark header backgrounds, 1600 x 96

The contents icons, in order (the icon strip of the main window uses the same numbers):
   1/2 blue book closed/open    3/4 green book closed/open
   5/6 yellow folder closed/open  7/8 blue folder closed/open
   9 page with question mark  10 blank page  11 topic page (text lines)
  12-24 topic page with: exclamation, information, star, check, pencil, picture, code,
        table, chart, link, arrow (go to), lock, plus (new)
  25 help  26 information  27 warning  28 error  29 tip (light bulb)  30 star  31 note
  32 settings (gear)  33 tools (wrench)  34 web (globe)  35 mail  36 person  37 clock
  38 calendar  39 search  40 key  41 flag  42 home

Shapes are described on a 16-unit grid and drawn eight times larger, then box-filtered
down, which gives clean anti-aliased edges. GIF has one bit of transparency, so edges are
blended over a matte colour and pixels less than half covered become transparent.
"""

import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 8  # supersampling factor
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# One palette for every picture (slate greys and a few saturated accents).
BLUE, BLUE_D, BLUE_L = (37, 99, 235), (30, 64, 175), (147, 197, 253)
GREEN, GREEN_D = (22, 163, 74), (21, 128, 61)
RED, RED_D = (220, 38, 38), (153, 27, 27)
AMBER, AMBER_D, AMBER_L = (245, 158, 11), (217, 119, 6), (253, 230, 138)
YELLOW, YELLOW_D = (251, 191, 36), (217, 144, 6)
TEAL, TEAL_D = (13, 148, 136), (15, 118, 110)
PURPLE, PURPLE_D = (124, 58, 237), (91, 33, 182)
PINK = (219, 39, 119)
SLATE, SLATE_D, SLATE_L = (100, 116, 139), (51, 65, 85), (203, 213, 225)
PAPER, PAPER_FOLD = (255, 255, 255), (226, 232, 240)
WHITE = (255, 255, 255)


def shade(c, f):
    """f > 0 lightens towards white, f < 0 darkens towards black."""
    if f >= 0:
        return tuple(int(round(v + (255 - v) * f)) for v in c)
    return tuple(int(round(v * (1 + f))) for v in c)


class Canvas:
    """Accumulates filled shapes on a supersampled RGBA canvas in grid units."""

    def __init__(self, units=16, px=16, rich=False):
        self.k = px * SS / units
        self.size = px * SS
        self.px = px
        self.rich = rich
        self.img = Image.new("RGBA", (self.size, self.size), (0, 0, 0, 0))

    def _mask(self):
        return Image.new("L", (self.size, self.size), 0)

    def _s(self, v):
        return v * self.k

    def _paint(self, mask, color):
        if self.rich and len(color) == 3:
            # Shaded set: a vertical gradient over the shape's own height and a soft top light.
            box = mask.getbbox()
            if box is None:
                return
            top, bottom = box[1], max(box[3] - 1, box[1] + 1)
            grad = np.zeros((self.size, self.size, 4), dtype=np.float64)
            ys = np.clip((np.arange(self.size) - top) / (bottom - top), 0, 1)
            c0 = np.array(shade(color, 0.28), dtype=np.float64)
            c1 = np.array(shade(color, -0.14), dtype=np.float64)
            rows = c0[None, :] * (1 - ys[:, None]) + c1[None, :] * ys[:, None]
            grad[:, :, :3] = rows[:, None, :]
            grad[:, :, 3] = 255
            fill = Image.fromarray(grad.astype(np.uint8), "RGBA")
        else:
            rgba = color if len(color) == 4 else color + (255,)
            fill = Image.new("RGBA", (self.size, self.size), rgba)
        layer = Image.new("RGBA", (self.size, self.size), (0, 0, 0, 0))
        layer.paste(fill, (0, 0), mask)
        self.img = Image.alpha_composite(self.img, layer)

    def rect(self, x0, y0, x1, y1, color, r=0.0):
        m = self._mask()
        d = ImageDraw.Draw(m)
        box = [self._s(x0), self._s(y0), self._s(x1) - 1, self._s(y1) - 1]
        if r > 0:
            d.rounded_rectangle(box, radius=self._s(r), fill=255)
        else:
            d.rectangle(box, fill=255)
        self._paint(m, color)

    def poly(self, pts, color):
        m = self._mask()
        ImageDraw.Draw(m).polygon([(self._s(x), self._s(y)) for x, y in pts], fill=255)
        self._paint(m, color)

    def ellipse(self, cx, cy, rx, ry, color):
        m = self._mask()
        ImageDraw.Draw(m).ellipse(
            [self._s(cx - rx), self._s(cy - ry), self._s(cx + rx) - 1, self._s(cy + ry) - 1], fill=255)
        self._paint(m, color)

    def circle(self, cx, cy, r, color):
        self.ellipse(cx, cy, r, r, color)

    def line(self, pts, width, color, cap=True):
        m = self._mask()
        d = ImageDraw.Draw(m)
        sp = [(self._s(x), self._s(y)) for x, y in pts]
        w = max(1, int(round(self._s(width))))
        d.line(sp, fill=255, width=w, joint="curve")
        if cap:
            r = w / 2
            for x, y in (sp[0], sp[-1]):
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        self._paint(m, color)

    def arc(self, cx, cy, r, a0, a1, width, color):
        m = self._mask()
        d = ImageDraw.Draw(m)
        w = max(1, int(round(self._s(width))))
        box = [self._s(cx - r), self._s(cy - r), self._s(cx + r), self._s(cy + r)]
        d.arc(box, a0, a1, fill=255, width=w)
        self._paint(m, color)

    def ring(self, cx, cy, r, width, color):
        self.arc(cx, cy, r, 0, 360, width, color)

    def text(self, cx, cy, s, height, color, font=FONT_BOLD):
        m = self._mask()
        d = ImageDraw.Draw(m)
        f = ImageFont.truetype(font, int(round(self._s(height))))
        d.text((self._s(cx), self._s(cy)), s, font=f, fill=255, anchor="mm")
        self._paint(m, color)

    def erase(self, drawfn):
        """Cuts a shape out of everything drawn so far (drawfn draws on a mask)."""
        m = self._mask()
        drawfn(ImageDraw.Draw(m), self._s)
        a = np.array(self.img)
        a[:, :, 3] = (a[:, :, 3].astype(np.int32) * (255 - np.array(m).astype(np.int32)) // 255)
        self.img = Image.fromarray(a, "RGBA")

    def result(self):
        return self.img.reduce(SS)


# ----------------------------------------------------------------------------------------
# The 42 contents icons. The first eight are four closed/open pairs (1/2, 3/4, 5/6, 7/8);
# the tree shows the even member while a heading is expanded. 9 is the icon of a topic
# without an icon number, 11 the default topic, 1 the default heading.

def page(c, lines=False, fold=True, x0=2.5, x1=13.5):
    edge = SLATE
    pts = [(x0, 0.5), (x1 - 3.5, 0.5), (x1, 4), (x1, 15.5), (x0, 15.5)]
    c.poly(pts, edge)
    inner = [(x0 + 1, 1.5), (x1 - 3.9, 1.5), (x1 - 1, 4.4), (x1 - 1, 14.5), (x0 + 1, 14.5)]
    c.poly(inner, PAPER)
    if fold:
        c.poly([(x1 - 3.5, 0.9), (x1 - 3.5, 4), (x1 - 0.4, 4)], SLATE_L)
    if lines:
        for y in (6.5, 8.5, 10.5, 12.5):
            c.rect(x0 + 2.5, y - 0.45, x1 - 2.5 - (1.5 if y == 12.5 else 0), y + 0.45, SLATE_L, r=0.4)


def badge(c, color, draw_glyph, cx=11.5, cy=11.5, r=4.3):
    c.circle(cx, cy, r + 0.9, WHITE)
    c.circle(cx, cy, r, color)
    draw_glyph(cx, cy)


def book_closed(c, col, dark):
    c.rect(3, 0.5, 13.5, 15.5, dark, r=1.6)
    c.rect(4.5, 0.5, 13.5, 14, col, r=1.4)
    c.rect(4.5, 12.2, 13.2, 14.6, PAPER_FOLD, r=0.6)
    c.rect(4.5, 11.6, 13.5, 12.6, col)
    c.rect(7, 3.5, 11.5, 6, shade(col, 0.55), r=0.5)


def book_open(c, col, dark):
    c.poly([(0.3, 3.5), (8, 5.3), (15.7, 3.5), (15.7, 13.8), (8, 15.6), (0.3, 13.8)], dark)
    c.poly([(1.3, 2.2), (7.6, 3.8), (7.6, 13.7), (1.3, 12.3)], PAPER)
    c.poly([(8.4, 3.8), (14.7, 2.2), (14.7, 12.3), (8.4, 13.7)], PAPER)
    c.poly([(7.6, 3.8), (8.4, 3.8), (8.4, 13.9), (7.6, 13.9)], col)
    for k in range(3):
        y = 5.6 + 2.3 * k
        c.line([(2.7, y - 0.3), (6.4, y + 0.6)], 0.8, SLATE_L)
        c.line([(9.6, y + 0.6), (13.3, y - 0.3)], 0.8, SLATE_L)


def folder_closed(c, col, dark):
    c.rect(0.8, 2.2, 7.6, 6.5, dark, r=1.2)
    c.rect(0.8, 4, 15.2, 14, dark, r=1.3)
    c.rect(0.8, 5.2, 15.2, 14, col, r=1.3)


def folder_open(c, col, dark):
    c.rect(0.8, 2.2, 7.6, 6.5, dark, r=1.2)
    c.rect(0.8, 4, 14.4, 14, dark, r=1.3)
    c.rect(2.6, 5.4, 13, 11, PAPER)
    c.poly([(3.2, 7.4), (15.8, 7.4), (14.1, 14), (0.8, 14), (0.8, 13)], col)


def gear(c, cx, cy, r, col):
    teeth = 8
    pts = []
    for k in range(teeth * 4):
        a = 2 * math.pi * k / (teeth * 4)
        rr = r if (k % 4) in (0, 1) else r * 0.74
        pts.append((cx + rr * math.cos(a + 0.2), cy + rr * math.sin(a + 0.2)))
    c.poly(pts, col)
    c.circle(cx, cy, r * 0.34, WHITE)


def star(c, cx, cy, r, col):
    pts = []
    for k in range(10):
        a = -math.pi / 2 + math.pi * k / 5
        rr = r if k % 2 == 0 else r * 0.45
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    c.poly(pts, col)


def check(c, cx, cy, s, col, w=1.5):
    c.line([(cx - 0.5 * s, cy), (cx - 0.12 * s, cy + 0.4 * s), (cx + 0.55 * s, cy - 0.4 * s)], w, col)


def icon_drawings():
    d = {}

    def on_page(glyph, lines=True):
        def f(c):
            page(c, lines=lines)
            glyph(c)
        return f

    d[1] = lambda c: book_closed(c, BLUE, BLUE_D)
    d[2] = lambda c: book_open(c, BLUE, BLUE_D)
    d[3] = lambda c: book_closed(c, GREEN, GREEN_D)
    d[4] = lambda c: book_open(c, GREEN, GREEN_D)
    d[5] = lambda c: folder_closed(c, YELLOW, YELLOW_D)
    d[6] = lambda c: folder_open(c, YELLOW, YELLOW_D)
    d[7] = lambda c: folder_closed(c, BLUE_L, BLUE)
    d[8] = lambda c: folder_open(c, BLUE_L, BLUE)

    def qmark(c):
        c.text(8, 9.2, "?", 11, BLUE)
    d[9] = on_page(qmark, lines=False)
    d[10] = lambda c: page(c)
    d[11] = lambda c: page(c, lines=True)
    d[12] = on_page(lambda c: badge(c, RED, lambda x, y: c.text(x, y + 0.2, "!", 6.5, WHITE)))
    d[13] = on_page(lambda c: badge(c, BLUE, lambda x, y: c.text(x, y + 0.3, "i", 6.5, WHITE)))
    d[14] = on_page(lambda c: badge(c, AMBER, lambda x, y: star(c, x, y, 3.1, WHITE)))
    d[15] = on_page(lambda c: badge(c, GREEN, lambda x, y: check(c, x, y, 4.2, WHITE, 1.3)))

    def pencil(c):
        c.line([(5.5, 14), (14.5, 5)], 3.0, AMBER_D, cap=False)
        c.line([(6.2, 13.3), (14.2, 5.3)], 1.6, AMBER, cap=False)
        c.poly([(4.1, 15.4), (4.6, 12.9), (6.6, 14.9)], SLATE_D)
        c.line([(13.2, 6.3), (15.2, 4.3)], 3.0, PINK, cap=False)
    d[16] = on_page(pencil)

    def picture(c):
        c.rect(4.5, 6, 11.5, 12.5, BLUE_L, r=0.6)
        c.poly([(4.5, 12.5), (7, 8.8), (9, 11), (10, 9.8), (11.5, 12.5)], GREEN)
        c.circle(9.8, 7.6, 0.9, AMBER)
    d[17] = on_page(picture, lines=False)

    def code(c):
        c.line([(6.2, 7.2), (4.4, 9.5), (6.2, 11.8)], 1.1, PURPLE)
        c.line([(9.8, 7.2), (11.6, 9.5), (9.8, 11.8)], 1.1, PURPLE)
        c.line([(8.7, 6.8), (7.3, 12.2)], 1.0, SLATE)
    d[18] = on_page(code, lines=False)

    def table(c):
        c.rect(4.5, 5.5, 11.5, 12.8, SLATE, r=0.3)
        c.rect(5.2, 6.2, 10.8, 7.9, TEAL)
        for yy in (8.6, 10.5):
            c.rect(5.2, yy, 7.7, yy + 1.4, PAPER)
            c.rect(8.4, yy, 10.8, yy + 1.4, PAPER)
    d[19] = on_page(table, lines=False)

    def chart(c):
        c.rect(4.8, 9.5, 6.4, 13, TEAL)
        c.rect(7.2, 6.5, 8.8, 13, BLUE)
        c.rect(9.6, 8, 11.2, 13, AMBER)
        c.rect(4.3, 13, 11.7, 13.7, SLATE)
    d[20] = on_page(chart, lines=False)

    def link(c):
        def g(x, y):
            c.arc(x - 1.3, y + 1.3, 1.7, 0, 360, 1.0, WHITE)
            c.arc(x + 1.3, y - 1.3, 1.7, 0, 360, 1.0, WHITE)
            c.line([(x - 1.1, y + 1.1), (x + 1.1, y - 1.1)], 1.0, WHITE)
        badge(c, TEAL, g)
    d[21] = on_page(link)

    def goto(c):
        def g(x, y):
            c.line([(x - 2.3, y), (x + 2.0, y)], 1.3, WHITE)
            c.line([(x + 0.2, y - 2.0), (x + 2.2, y), (x + 0.2, y + 2.0)], 1.3, WHITE)
        badge(c, BLUE, g)
    d[22] = on_page(goto)

    def lock(c):
        def g(x, y):
            c.arc(x, y - 1.2, 1.6, 180, 360, 0.9, WHITE)
            c.line([(x - 1.6, y - 1.2), (x - 1.6, y - 0.2)], 0.9, WHITE, cap=False)
            c.line([(x + 1.6, y - 1.2), (x + 1.6, y - 0.2)], 0.9, WHITE, cap=False)
            c.rect(x - 2.3, y - 0.4, x + 2.3, y + 2.6, WHITE, r=0.5)
        badge(c, SLATE_D, g)
    d[23] = on_page(lock)

    def new(c):
        def g(x, y):
            c.line([(x - 2.2, y), (x + 2.2, y)], 1.4, WHITE, cap=False)
            c.line([(x, y - 2.2), (x, y + 2.2)], 1.4, WHITE, cap=False)
        badge(c, GREEN, g)
    d[24] = on_page(new)

    def disc(col, glyph):
        def f(c):
            c.circle(8, 8, 7.4, col)
            glyph(c)
        return f

    d[25] = disc(BLUE, lambda c: c.text(8, 8.6, "?", 10.5, WHITE))
    d[26] = disc(TEAL, lambda c: c.text(8, 8.7, "i", 10.5, WHITE))

    def warning(c):
        c.poly([(8, 0.8), (15.6, 14.6), (0.4, 14.6)], AMBER)
        c.text(8, 10, "!", 9, SLATE_D)
    d[27] = warning

    def stop(c):
        c.circle(8, 8, 7.4, RED)
        c.line([(5.3, 5.3), (10.7, 10.7)], 1.8, WHITE)
        c.line([(10.7, 5.3), (5.3, 10.7)], 1.8, WHITE)
    d[28] = stop

    def bulb(c):
        c.circle(8, 6.3, 5.2, YELLOW)
        c.poly([(5.2, 9), (10.8, 9), (10, 12), (6, 12)], YELLOW)
        c.rect(5.8, 12, 10.2, 13.4, SLATE, r=0.4)
        c.rect(6.4, 13.7, 9.6, 15.3, SLATE_D, r=0.6)
        c.arc(8, 6.3, 3, 200, 260, 1.0, WHITE)
    d[29] = bulb
    d[30] = lambda c: star(c, 8, 8.6, 7.8, AMBER)

    def note(c):
        c.poly([(1.5, 1.5), (14.5, 1.5), (14.5, 10.5), (10.5, 14.5), (1.5, 14.5)], YELLOW)
        c.poly([(10.5, 14.5), (10.5, 10.5), (14.5, 10.5)], YELLOW_D)
        for y in (5, 7.5, 10):
            c.rect(4, y - 0.45, 11.5 - (3 if y == 10 else 0), y + 0.45, YELLOW_D, r=0.4)
    d[31] = note
    d[32] = lambda c: gear(c, 8, 8, 7.5, SLATE)

    def wrench(c):
        c.line([(3, 13), (10, 6)], 2.6, SLATE)
        c.circle(10.9, 5.1, 4.1, SLATE)
        c.erase(lambda dr, s: dr.rounded_rectangle(
            [s(11), s(0.2), s(15.9), s(5.2)], radius=s(0.6), fill=255))
        c.circle(3.2, 12.8, 0.8, WHITE)
    d[33] = wrench

    def globe(c):
        c.circle(8, 8, 7.4, BLUE)
        c.ring(8, 8, 6.0, 0.0001, BLUE)
        c.ellipse(8, 8, 3.0, 6.6, BLUE_L)
        c.ellipse(8, 8, 1.9, 6.6, BLUE)
        c.rect(1.2, 7.4, 14.8, 8.6, BLUE_L)
        c.rect(2.5, 4.2, 13.5, 5.0, BLUE_L)
        c.rect(2.5, 11, 13.5, 11.8, BLUE_L)
    d[34] = globe

    def mail(c):
        c.rect(0.8, 3, 15.2, 13, SLATE, r=1.2)
        c.rect(1.8, 4, 14.2, 12, PAPER, r=0.6)
        c.line([(2.4, 4.8), (8, 9.2), (13.6, 4.8)], 1.1, SLATE)
    d[35] = mail

    def person(c):
        c.circle(8, 4.6, 3.6, BLUE)
        c.ellipse(8, 15.4, 7, 6.4, BLUE)
        c.erase(lambda dr, s: dr.rectangle([0, s(15.5), s(16), s(16)], fill=255))
    d[36] = person

    def clock(c):
        c.circle(8, 8, 7.4, SLATE_D)
        c.circle(8, 8, 6.1, PAPER)
        c.line([(8, 8), (8, 3.8)], 1.3, SLATE_D)
        c.line([(8, 8), (11, 9.6)], 1.3, BLUE)
        c.circle(8, 8, 0.9, SLATE_D)
    d[37] = clock

    def calendar(c):
        c.rect(1, 2, 15, 15, SLATE, r=1.2)
        c.rect(2, 6, 14, 14, PAPER, r=0.4)
        c.rect(1, 2, 15, 5.6, RED, r=1.2)
        c.rect(1, 4, 15, 6, RED)
        c.rect(4, 0.6, 5.4, 3.6, SLATE_D, r=0.6)
        c.rect(10.6, 0.6, 12, 3.6, SLATE_D, r=0.6)
        for yy in (7.4, 10.3):
            for xx in (3.2, 6.4, 9.6):
                c.rect(xx, yy, xx + 2.2, yy + 2, SLATE_L, r=0.3)
        c.rect(9.6, 10.3, 11.8, 12.3, BLUE, r=0.3)
    d[38] = calendar

    def magnifier(c):
        c.line([(10.2, 10.2), (14.6, 14.6)], 2.6, SLATE_D)
        c.circle(6.5, 6.5, 5.6, SLATE_D)
        c.circle(6.5, 6.5, 4.1, BLUE_L)
        c.arc(6.5, 6.5, 2.6, 190, 260, 1.0, WHITE)
    d[39] = magnifier

    def key(c):
        c.circle(4.8, 8, 4.2, AMBER_D)
        c.circle(4.8, 8, 1.5, WHITE)
        c.rect(7.5, 6.9, 15.5, 9.1, AMBER_D, r=0.5)
        c.rect(11.5, 8, 13, 12, AMBER_D, r=0.4)
        c.rect(13.8, 8, 15.3, 11, AMBER_D, r=0.4)
    d[40] = key

    def flag(c):
        c.rect(2, 1, 3.4, 15.5, SLATE_D, r=0.6)
        c.poly([(3.4, 1.6), (14.5, 1.6), (11.8, 5.3), (14.5, 9), (3.4, 9)], RED)
    d[41] = flag

    def home(c):
        c.poly([(8, 0.8), (15.6, 7.6), (0.4, 7.6)], RED)
        c.rect(2.4, 7, 13.6, 15, BLUE_L, r=0.4)
        c.rect(6.4, 9.6, 9.6, 15, BLUE_D, r=0.4)
        c.rect(10.8, 2, 12.6, 5.4, RED_D)
    d[42] = home
    return d


# ----------------------------------------------------------------------------------------
# GIF writing with one transparent colour.

def to_gif(rgba, path, matte=(255, 255, 255), threshold=110):
    a = np.array(rgba.convert("RGBA")).astype(np.float64)
    alpha = a[:, :, 3:4] / 255.0
    rgb = a[:, :, :3] * alpha + np.array(matte, dtype=np.float64) * (1 - alpha)
    # Edge pixels are blended towards the matte as if fully covered, so they keep their colour.
    cover = np.clip(alpha * 1.35, 0, 1)
    solid = np.where(alpha > 0, a[:, :, :3], 0)
    rgb = solid * cover + np.array(matte, dtype=np.float64) * (1 - cover)
    transparent = a[:, :, 3] < threshold
    img = Image.fromarray(np.clip(rgb + 0.5, 0, 255).astype(np.uint8), "RGB")
    pal = img.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    idx = np.array(pal)
    palette = pal.getpalette()[: 255 * 3]
    palette += [0] * (256 * 3 - len(palette))
    palette[255 * 3: 256 * 3] = [255, 0, 255]
    idx[transparent] = 255
    out = Image.fromarray(idx.astype(np.uint8), "P")
    out.putpalette(palette)
    out.save(path, transparency=255, optimize=False)


def write_icons(root):
    drawings = icon_drawings()
    assert sorted(drawings) == list(range(1, 43))
    for sub in ("icons", "ricons", "icons-png"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    for n, draw in drawings.items():
        for rich, sub in ((False, "icons"), (True, "ricons")):
            c = Canvas(rich=rich)
            draw(c)
            to_gif(c.result(), os.path.join(root, sub, "%d.gif" % n))
        for px, name in ((16, "%d.png" % n), (32, "%d@2x.png" % n)):
            c = Canvas(px=px)
            draw(c)
            c.result().save(os.path.join(root, "icons-png", name), optimize=True)


# ----------------------------------------------------------------------------------------
# Tree images: 20 x 24, pixel-exact 1-pixel lines, centre column 9, centre row 12.

TW, TH, CX, CY = 20, 24, 9, 12
LINE = (191, 200, 212)
BOX_EDGE, BOX_FILL, GLYPH = (139, 151, 168), (255, 255, 255), (51, 65, 85)
CHEVRON = (100, 116, 139)


def tree_images(root):
    out = os.path.join(root, "imgs")
    os.makedirs(out, exist_ok=True)

    def blank():
        return Image.new("RGBA", (TW, TH), (0, 0, 0, 0))

    def vline(img, y0, y1):
        for y in range(y0, y1 + 1):
            img.putpixel((CX, y), LINE + (255,))

    def hline(img, x0, x1):
        for x in range(x0, x1 + 1):
            img.putpixel((x, CY), LINE + (255,))

    def box(img, minus):
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([CX - 4, CY - 4, CX + 4, CY + 4], radius=2, fill=BOX_FILL + (255,),
                            outline=BOX_EDGE + (255,))
        d.line([CX - 2, CY, CX + 2, CY], fill=GLYPH + (255,))
        if not minus:
            d.line([CX, CY - 2, CX, CY + 2], fill=GLYPH + (255,))

    # shape: which arms the junction has (up, down); every junction reaches right.
    shapes = {"downangle": (False, True), "tshaped": (True, True), "upangle": (True, False),
              "sline": (False, False)}
    folder = {"downangle": "da", "tshaped": "t", "upangle": "ua", "sline": "s"}
    for name, (up, down) in shapes.items():
        for kind in ("", "plus", "minus"):
            img = blank()
            if up:
                vline(img, 0, CY)
            if down:
                vline(img, CY, TH - 1)
            hline(img, CX, TW - 1)
            if kind:
                box(img, kind == "minus")
                fname = folder[name] + kind
            else:
                fname = name
            to_gif(img, os.path.join(out, fname + ".gif"), threshold=128)
    img = blank()
    vline(img, 0, TH - 1)
    to_gif(img, os.path.join(out, "line.gif"), threshold=128)
    to_gif(blank(), os.path.join(out, "blank.gif"), threshold=128)

    # Without lines: a chevron pointing right (collapsed) or down (expanded).
    for name, pts in (("plus", [(7, 8), (11, 12), (7, 16)]), ("minus", [(5, 10), (9, 14), (13, 10)])):
        c = Canvas(units=TW, px=TW)
        c.img = Image.new("RGBA", (TW * SS, TH * SS), (0, 0, 0, 0))
        c.size = TW * SS
        m = Image.new("L", (TW * SS, TH * SS), 0)
        ImageDraw.Draw(m).line([(x * SS + SS / 2, y * SS) for x, y in pts], fill=255,
                               width=int(1.7 * SS), joint="curve")
        layer = Image.new("RGBA", m.size, CHEVRON + (255,))
        img = Image.new("RGBA", m.size, (0, 0, 0, 0))
        img.paste(layer, (0, 0), m)
        to_gif(img.reduce(SS), os.path.join(out, name + ".gif"))


# ----------------------------------------------------------------------------------------
# Header buttons: 20 x 20 light glyphs (the header is dark by default; the pages invert
# them over a light header).

HEADER_MATTE = (30, 58, 95)
GLYPH_LIGHT = (240, 246, 252)


def header_buttons(root):
    out = os.path.join(root, "images")
    os.makedirs(out, exist_ok=True)

    def canvas():
        return Canvas(units=20, px=20)

    def panel(c, open_):
        c.rect(2, 3.5, 18, 16.5, GLYPH_LIGHT, r=2.2)
        c.rect(3.6, 5.1, 16.4, 14.9, (0, 0, 0, 0))
        c.erase(lambda d, s: d.rounded_rectangle([s(3.6), s(5.1), s(16.4), s(14.9)], radius=s(1),
                                                 fill=255))
        c.rect(7, 4, 8.4, 16, GLYPH_LIGHT)
        if open_:
            c.line([(13.6, 7.5), (11.2, 10), (13.6, 12.5)], 1.5, GLYPH_LIGHT)
        else:
            c.line([(11.4, 7.5), (13.8, 10), (11.4, 12.5)], 1.5, GLYPH_LIGHT)

    c = canvas()
    panel(c, False)
    to_gif(c.result(), os.path.join(out, "showall.gif"), matte=HEADER_MATTE)
    c = canvas()
    panel(c, True)
    to_gif(c.result(), os.path.join(out, "hideall.gif"), matte=HEADER_MATTE)
    c = canvas()
    c.line([(16, 10), (4.5, 10)], 1.8, GLYPH_LIGHT)
    c.line([(9.5, 5), (4.5, 10), (9.5, 15)], 1.8, GLYPH_LIGHT)
    to_gif(c.result(), os.path.join(out, "previous.gif"), matte=HEADER_MATTE)
    c = canvas()
    c.line([(4, 10), (15.5, 10)], 1.8, GLYPH_LIGHT)
    c.line([(10.5, 5), (15.5, 10), (10.5, 15)], 1.8, GLYPH_LIGHT)
    to_gif(c.result(), os.path.join(out, "next.gif"), matte=HEADER_MATTE)
    c = canvas()
    c.rect(5.5, 2, 14.5, 7, GLYPH_LIGHT, r=0.8)
    c.erase(lambda d, s: d.rectangle([s(7), s(3.5), s(13), s(7)], fill=255))
    c.rect(1.8, 6.5, 18.2, 14.5, GLYPH_LIGHT, r=2)
    c.erase(lambda d, s: d.rectangle([s(5.5), s(11), s(14.5), s(18.5)], fill=255))
    c.rect(6.5, 12, 13.5, 18, GLYPH_LIGHT, r=0.6)
    c.erase(lambda d, s: d.rectangle([s(8), s(13.5), s(12), s(16.6)], fill=255))
    c.circle(15.3, 9.3, 0.8, (0, 0, 0, 0))
    c.erase(lambda d, s: d.ellipse([s(14.5), s(8.5), s(16.1), s(10.1)], fill=255))
    to_gif(c.result(), os.path.join(out, "print.gif"), matte=HEADER_MATTE)


# ----------------------------------------------------------------------------------------
# Header backgrounds: dark, calm, wide; the header stretches them to its size.

BW, BH = 1600, 96


def gradient(c0, c1, angle=0.0):
    y, x = np.mgrid[0:BH, 0:BW].astype(np.float64)
    t = (x / BW) * math.cos(angle) + (y / BH) * math.sin(angle) * (BH / BW) * 6
    t = (t - t.min()) / (t.max() - t.min())
    c0, c1 = np.array(c0, np.float64), np.array(c1, np.float64)
    return c0[None, None, :] * (1 - t[..., None]) + c1[None, None, :] * t[..., None]


def blend(base, overlay_l, color, strength):
    a = (overlay_l.astype(np.float64) / 255.0)[..., None] * strength
    return base * (1 - a) + np.array(color, np.float64)[None, None, :] * a


def backgrounds(root):
    out = os.path.join(root, "bg")
    os.makedirs(out, exist_ok=True)
    rnd = np.random.RandomState(20240901)
    y, x = np.mgrid[0:BH, 0:BW].astype(np.float64)
    pics = []

    # 1 deep navy with soft diagonal light bands (the default header).
    b = gradient((14, 38, 74), (24, 72, 128))
    bands = (np.sin((x + y * 2.2) / 140.0) * 0.5 + 0.5) ** 6
    b = b + bands[..., None] * 16
    pics.append(b)

    # 2 ocean teal with layered waves.
    b = gradient((8, 62, 74), (16, 96, 110))
    for k, (amp, per, off, lev) in enumerate(((9, 420, 0, 58), (7, 300, 90, 70), (6, 230, 40, 82))):
        wave = lev + amp * np.sin(x / per * 2 * math.pi + off)
        b = np.where((y > wave)[..., None], b * 0.9 + np.array([4, 20, 24]) * 0.1 * (k + 1), b)
    pics.append(b)

    # 3 slate with a fine dot grid.
    b = gradient((30, 41, 59), (51, 65, 85))
    dots = ((np.mod(x, 12) < 1.5) & (np.mod(y, 12) < 1.5)).astype(np.float64)
    b = b + dots[..., None] * 18
    pics.append(b)

    # 4 forest green, low-poly facets.
    img = Image.fromarray(gradient((16, 58, 40), (22, 92, 60)).astype(np.uint8), "RGB")
    d = ImageDraw.Draw(img, "RGBA")
    step = 80
    for gx in range(-1, BW // step + 2):
        for gy in range(-1, 3):
            x0, y0 = gx * step + (gy % 2) * step / 2, gy * 60
            tri = [(x0, y0), (x0 + step, y0), (x0 + step / 2, y0 + 60)]
            tri2 = [(x0 + step / 2, y0 + 60), (x0 + step * 1.5, y0 + 60), (x0 + step, y0)]
            for t in (tri, tri2):
                v = int(rnd.randint(-14, 15))
                col = (40, 120, 80, 40) if v > 0 else (0, 20, 10, 40)
                d.polygon(t, fill=col[:3] + (abs(v) * 3,))
    pics.append(np.array(img, np.float64))

    # 5 wine with soft bokeh circles.
    img = Image.fromarray(gradient((62, 14, 32), (104, 28, 52)).astype(np.uint8), "RGB")
    glow = Image.new("L", (BW, BH), 0)
    dg = ImageDraw.Draw(glow)
    for _ in range(70):
        cx, cy, r = rnd.randint(0, BW), rnd.randint(-20, BH + 20), rnd.randint(8, 40)
        dg.ellipse([cx - r, cy - r, cx + r, cy + r], fill=int(rnd.randint(20, 60)))
    glow = glow.filter(ImageFilter.GaussianBlur(6))
    pics.append(blend(np.array(img, np.float64), np.array(glow), (255, 170, 190), 0.35))

    # 6 indigo aurora.
    b = gradient((30, 20, 80), (60, 30, 110))
    curve = 40 + 22 * np.sin(x / 260.0) + 10 * np.sin(x / 97.0 + 1)
    aur = np.exp(-((y - curve) ** 2) / (2 * 14.0 ** 2))
    b = b * (1 - aur[..., None] * 0.5) + np.array([40, 200, 170])[None, None, :] * aur[..., None] * 0.5
    pics.append(b)

    # 7 charcoal with a hexagon mesh.
    img = Image.fromarray(gradient((28, 30, 34), (46, 50, 58)).astype(np.uint8), "RGB")
    d = ImageDraw.Draw(img, "RGBA")
    r = 18
    hstep, vstep = r * 1.5, r * math.sqrt(3)
    for i in range(int(BW / hstep) + 2):
        for j in range(-1, int(BH / vstep) + 2):
            cx = i * hstep
            cy = j * vstep + (vstep / 2 if i % 2 else 0)
            pts = [(cx + r * math.cos(math.pi / 3 * k), cy + r * math.sin(math.pi / 3 * k))
                   for k in range(7)]
            d.line(pts, fill=(255, 255, 255, 22), width=1)
    pics.append(np.array(img, np.float64))

    # 8 dusk: plum into burnt orange, darkened for light text.
    b = gradient((58, 22, 70), (150, 62, 30))
    haze = np.exp(-((y - BH * 1.1) ** 2) / (2 * 40.0 ** 2))
    b = b + haze[..., None] * np.array([40, 18, 0])[None, None, :]
    pics.append(b * 0.92)

    # 9 midnight blue with topographic contour lines.
    b = gradient((10, 24, 52), (20, 42, 84))
    field = (np.sin(x / 170.0) * np.cos(y / 45.0) * 1.2 + np.sin((x + y * 3) / 310.0)
             + 0.6 * np.sin(x / 61.0 + y / 33.0))
    contour = np.abs(np.mod(field * 6, 1.0) - 0.5) < 0.045
    b = b + contour[..., None] * 22
    pics.append(b)

    for n, p in enumerate(pics, 1):
        img = Image.fromarray(np.clip(p, 0, 255).astype(np.uint8), "RGB")
        img.save(os.path.join(out, "back%d.jpg" % n), quality=88, optimize=True,
                 progressive=False, subsampling=0)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "webhelp")
    root = os.path.abspath(root)
    write_icons(root)
    tree_images(root)
    header_buttons(root)
    backgrounds(root)
    print("pictures written to", root)


if __name__ == "__main__":
    main()
