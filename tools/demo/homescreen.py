"""Draws a phone home screen (wallpaper, status bar with clock and battery, a grid of app icons
and a dock) as a binary PPM, for the simulated phone of the demo. Standard library only."""
import math
import sys

# A 3x5 digit font for the clock, one string of 15 bits per glyph, rows top to bottom.
DIGITS = {
    "0": "111101101101111", "1": "010110010010111", "2": "111001111100111",
    "3": "111001111001111", "4": "101101111001001", "5": "111100111001111",
    "6": "111100111101111", "7": "111001001001001", "8": "111101111101111",
    "9": "111101111001111", ":": "000010000010000",
}
ICON_COLOURS = [
    (66, 133, 244), (234, 67, 53), (251, 188, 5), (52, 168, 83), (156, 39, 176),
    (0, 172, 193), (255, 112, 67), (92, 107, 192), (38, 166, 154), (236, 64, 122),
    (124, 179, 66), (141, 110, 99), (255, 167, 38), (41, 182, 246), (171, 71, 188),
    (102, 187, 106),
]


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = bytearray(width * height * 3)

    def put(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 3
            for c in range(3):
                self.pixels[i + c] = int(self.pixels[i + c] * (1 - alpha) + colour[c] * alpha)

    def rect(self, x0, y0, w, h, colour, alpha=1.0):
        for y in range(max(0, y0), min(self.height, y0 + h)):
            for x in range(max(0, x0), min(self.width, x0 + w)):
                self.put(x, y, colour, alpha)

    def rounded(self, x0, y0, size, radius, colour):
        for y in range(size):
            for x in range(size):
                dx = max(radius - x, 0, x - (size - 1 - radius))
                dy = max(radius - y, 0, y - (size - 1 - radius))
                d = math.hypot(dx, dy)
                if d <= radius - 0.5:
                    self.put(x0 + x, y0 + y, shade(colour, y / size))
                elif d < radius + 0.5:
                    self.put(x0 + x, y0 + y, colour, radius + 0.5 - d)

    def text(self, x0, y0, text, scale, colour):
        for ch in text:
            glyph = DIGITS.get(ch)
            if glyph:
                for i, bit in enumerate(glyph):
                    if bit == "1":
                        self.rect(x0 + (i % 3) * scale, y0 + (i // 3) * scale, scale, scale, colour)
            x0 += 4 * scale

    def ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + bytes(self.pixels)


def shade(colour, t):
    """The icon colour, a little lighter at the top and darker at the bottom."""
    f = 1.12 - 0.24 * t
    return tuple(min(255, int(c * f)) for c in colour)


def glyph(canvas, x0, y0, size, kind):
    """A white symbol inside an icon: a disc, a ring, a bar pair or a square, by kind."""
    c, r = size / 2.0, size * 0.22
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - c, y + 0.5 - c)
            shape = kind % 4
            inside = (shape == 0 and d < r) or (shape == 1 and r * 0.6 < d < r) or \
                (shape == 2 and abs(x - c) < r and (abs(y - c + r * 0.5) < r * 0.22 or abs(y - c - r * 0.5) < r * 0.22)) or \
                (shape == 3 and abs(x - c) < r * 0.8 and abs(y - c) < r * 0.8)
            if inside:
                canvas.put(x0 + x, y0 + y, (255, 255, 255), 0.92)


def wallpaper(canvas):
    top, bottom = (32, 58, 112), (118, 74, 148)
    w, h = canvas.width, canvas.height
    for y in range(h):
        t = y / max(1, h - 1)
        row = bytes(int(top[c] + (bottom[c] - top[c]) * t) for c in range(3)) * w
        canvas.pixels[y * w * 3:(y + 1) * w * 3] = row
    # Two soft light discs give the wallpaper some depth.
    for cx, cy, r, a in ((w * 0.8, h * 0.25, w * 0.45, 0.10), (w * 0.15, h * 0.7, w * 0.5, 0.08)):
        for y in range(int(cy - r), int(cy + r)):
            for x in range(int(cx - r), int(cx + r)):
                d = math.hypot(x - cx, y - cy) / r
                if d < 1:
                    canvas.put(x, y, (255, 255, 255), a * (1 - d))


def draw(width, height):
    canvas = Canvas(width, height)
    wallpaper(canvas)
    unit = width / 480.0
    bar = int(28 * unit)
    canvas.rect(0, 0, width, bar, (0, 0, 0), 0.25)
    canvas.text(int(12 * unit), int(7 * unit), "12:30", max(1, int(3 * unit)), (255, 255, 255))
    # Battery: outline and an 85 % charge.
    bx, by, bw, bh = width - int(44 * unit), int(8 * unit), int(28 * unit), int(13 * unit)
    canvas.rect(bx, by, bw, bh, (255, 255, 255), 0.9)
    canvas.rect(bx + 2, by + 2, bw - 4, bh - 4, (40, 40, 40))
    canvas.rect(bx + 2, by + 2, int((bw - 4) * 0.85), bh - 4, (120, 220, 120))
    # Big clock on the home screen.
    scale = max(2, int(10 * unit))
    canvas.text((width - 19 * scale) // 2, int(80 * unit), "12:30", scale, (255, 255, 255))
    # Icon grid, four columns, four rows, and a dock of four.
    size = int(72 * unit)
    gap_x = (width - 4 * size) // 5
    top = int(220 * unit)
    for i in range(16):
        row, col = divmod(i, 4)
        x, y = gap_x + col * (size + gap_x), top + row * int(size * 1.45)
        canvas.rounded(x, y, size, int(size * 0.24), ICON_COLOURS[i])
        glyph(canvas, x, y, size, i)
    dock_y = height - int(120 * unit)
    canvas.rect(int(16 * unit), dock_y - int(14 * unit), width - int(32 * unit), size + int(28 * unit),
                (255, 255, 255), 0.18)
    for col in range(4):
        x = gap_x + col * (size + gap_x)
        canvas.rounded(x, dock_y, size, int(size * 0.24), ICON_COLOURS[(col * 5 + 3) % len(ICON_COLOURS)])
        glyph(canvas, x, dock_y, size, col + 2)
    return canvas.ppm()


if __name__ == "__main__":
    w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    with open(out, "wb") as f:
        f.write(draw(w, h))
