#!/usr/bin/env python3
"""Draws the application icon for the desktop's icon theme: the window's product mark, a
chip carrying a gauge (drawChipMark in monitor/ui/artwork.cpp), with the same palette,
geometry and pixel snapping, so the launcher shows what the window and tray show.

Usage: draw_icon.py OUTPUT_FOLDER SIZE...   writes OUTPUT_FOLDER/qorvmon-SIZE.png
"""
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw

# The window's palette (artwork.cpp).
NAVY_DEEP = (0x0B, 0x1A, 0x2C)
NAVY_LIGHT = (0x1C, 0x38, 0x5A)
TEAL = (0x1F, 0x8F, 0x8C)
TEAL_BRIGHT = (0x33, 0xB8, 0xAB)
ACCENT = (0x9A, 0xF2, 0xE2)
PIN = (0x76, 0x90, 0xA8)

# Drawn this many times larger and averaged down: each pixel's colour is its coverage.
SUPERSAMPLE = 8


def on_pixels(at, width):
    """A line lies on whole pixels when its centre does (artwork.cpp's onPixels)."""
    return math.floor(at) + 0.5 if int(width) % 2 == 1 else round(at)


class Pen:
    """Draws in icon pixels on a canvas SUPERSAMPLE times larger."""

    def __init__(self, draw):
        self.d = draw

    @staticmethod
    def box(x0, y0, x1, y1):
        k = SUPERSAMPLE
        return [round(x0 * k), round(y0 * k), round(x1 * k) - 1, round(y1 * k) - 1]

    def rect(self, x0, y0, x1, y1, colour):
        self.d.rectangle(self.box(x0, y0, x1, y1), fill=colour)

    def rounded(self, x0, y0, x1, y1, radius, colour):
        self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=max(0, round(radius * SUPERSAMPLE)), fill=colour)

    def dot(self, x, y, r, colour):
        self.d.ellipse(self.box(x - r, y - r, x + r, y + r), fill=colour)

    def line(self, a, b, width, colour):
        """A line with round caps."""
        k = SUPERSAMPLE
        self.d.line([(a[0] * k, a[1] * k), (b[0] * k, b[1] * k)], fill=colour, width=max(1, round(width * k)))
        self.dot(*a, width / 2, colour)
        self.dot(*b, width / 2, colour)

    def arc(self, cx, cy, radius, start, span, width, colour):
        """An arc centred on its circle, from start through span degrees, both counted
        counter-clockwise from three o'clock as Qt counts them; round caps."""
        half = width / 2
        # PIL counts clockwise on a y-down canvas and always draws clockwise.
        first, last = sorted((-start, -start - span))
        self.d.arc(self.box(cx - radius - half, cy - radius - half, cx + radius + half, cy + radius + half),
                   start=first, end=last, fill=colour, width=max(1, round(width * SUPERSAMPLE)))
        for angle in (start, start + span):
            a = math.radians(angle)
            self.dot(cx + radius * math.cos(a), cy - radius * math.sin(a), half, colour)


def diagonal_gradient(size, start, end):
    """A square of size pixels shading from start at the top left to end at the bottom right."""
    down = Image.linear_gradient("L").resize((size, size))
    across = down.rotate(90)
    mix = ImageChops.add(down, across, scale=2.0)
    return Image.composite(Image.new("RGBA", (size, size), end + (255,)),
                           Image.new("RGBA", (size, size), start + (255,)), mix)


def chip_mark(s):
    """The product mark in an s x s icon (drawChipMark, box = the whole icon)."""
    k = SUPERSAMPLE
    image = Image.new("RGBA", (s * k, s * k), (0, 0, 0, 0))
    pen = Pen(ImageDraw.Draw(image))

    inset = round(s * 0.17)
    border = max(1, round(s * 0.04))
    left, top, right, bottom = inset, inset, s - inset, s - inset
    if border % 2 == 1:
        left, top, right, bottom = left + 0.5, top + 0.5, right - 0.5, bottom - 0.5
    width, height = right - left, bottom - top
    pins = 4 if s >= 30 else (3 if s >= 20 else 2)
    pin_width = 1 if s < 40 else round(s * 0.045)
    reach = round(s * 0.05)

    # Pins on all four sides, square-ended, running under the body's border.
    for i in range(pins):
        t = on_pixels(left + width * (i + 1) / (pins + 1), pin_width)
        u = on_pixels(top + height * (i + 1) / (pins + 1), pin_width)
        h = pin_width / 2
        pen.rect(t - h, reach, t + h, top, PIN)
        pen.rect(t - h, bottom, t + h, s - reach, PIN)
        pen.rect(reach, u - h, left, u + h, PIN)
        pen.rect(right, u - h, s - reach, u + h, PIN)

    # The body: the border is centred on the body's outline, as Qt strokes it.
    radius = s * 0.08
    b = border / 2
    pen.rounded(left - b, top - b, right + b, bottom + b, radius + b, TEAL_BRIGHT)
    inner = Pen.box(left + b, top + b, right - b, bottom - b)
    side = inner[2] - inner[0] + 1
    mask = Image.new("L", (side, side), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, side - 1, side - 1], radius=max(0, round((radius - b) * k)), fill=255)
    image.paste(diagonal_gradient(side, NAVY_LIGHT, NAVY_DEEP), (inner[0], inner[1]), mask)

    # The gauge: a track opening downwards, the lit part of it, the needle and its hub.
    cx, cy = (left + right) / 2, (top + bottom) / 2 + height * 0.08
    dial = width * 0.32
    arc_width = max(1.2, s * 0.07)
    pen.arc(cx, cy, dial, 210, -240, arc_width, TEAL)
    pen.arc(cx, cy, dial, 210, -150, arc_width, TEAL_BRIGHT)
    tip = (cx + dial * 0.95 * math.cos(math.radians(-35)), cy + dial * 0.95 * math.sin(math.radians(-35)))
    pen.line((cx, cy), tip, max(1.0, s * 0.05), ACCENT)
    pen.dot(cx, cy, max(0.8, s * 0.04), ACCENT)

    # Averaged over premultiplied colour so the transparent ground does not darken edges.
    return image.convert("RGBa").resize((s, s), Image.Resampling.BOX).convert("RGBA")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip())
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for size in sys.argv[2:]:
        chip_mark(int(size)).save(os.path.join(folder, "qorvmon-%s.png" % size), optimize=True)


if __name__ == "__main__":
    main()
