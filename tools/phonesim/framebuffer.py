"""The "framebuffer:" service: one frame of the scripted screen, in the header formats phones
send (version 1 with 52 bytes, version 2 with 56 bytes and a colour-space word, and the old
16-byte format of phones in recovery, after which the client must send a nudge before the
pixels follow), with the scripted pixel format and the fault modes for robustness tests.

The screen comes from a binary PPM file ("image") or a generated pattern ("gradient", "bars",
"solid:RRGGBB") of the scripted size. "upside_down" turns the frame by 180 degrees.
"""
import os
import struct
import threading

FORMATS = {
    # name: (bits per pixel, (red off, len), (blue off, len), (green off, len), (alpha off, len))
    "rgba8888": (32, (0, 8), (16, 8), (8, 8), (24, 8)),
    "rgbx8888": (32, (0, 8), (16, 8), (8, 8), (24, 0)),
    "bgra8888": (32, (16, 8), (0, 8), (8, 8), (24, 8)),
    "rgb565": (16, (11, 5), (0, 5), (5, 6), (0, 0)),
}
OLD_VERSION = 16
ABSURD = 100000

_cache = {}
_cache_lock = threading.Lock()


def read_ppm(path):
    """(width, height, rgb bytes) of a binary PPM (P6, maxval 255)."""
    with open(path, "rb") as f:
        data = f.read()
    tokens, pos = [], 0
    while len(tokens) < 4:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        tokens.append(data[start:pos])
    if tokens[0] != b"P6" or tokens[3] != b"255":
        raise ValueError("%s: only binary PPM (P6, maxval 255) is supported" % path)
    width, height = int(tokens[1]), int(tokens[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        raise ValueError("%s: pixel data is short" % path)
    return width, height, pixels


def pattern_rgb(name, width, height):
    """Generated screens; cheap enough for 1080 x 2400."""
    if name.startswith("solid:"):
        return bytes.fromhex(name[6:12]) * (width * height)
    rows = []
    if name == "bars":
        colours = [b"\xff\xff\xff", b"\xff\xff\x00", b"\x00\xff\xff", b"\x00\xff\x00",
                   b"\xff\x00\xff", b"\xff\x00\x00", b"\x00\x00\xff", b"\x00\x00\x00"]
        row = b"".join(colours[min(7, x * 8 // width)] for x in range(width))
        return row * height
    reds = bytes(x * 255 // max(1, width - 1) for x in range(width))
    lows = bytes(x & 0xFF for x in range(width))
    for y in range(height):
        row = bytearray(width * 3)
        row[0::3] = reds
        row[1::3] = bytes([y * 255 // max(1, height - 1)]) * width
        row[2::3] = lows.translate(bytes((i ^ y) & 0xFF for i in range(256)))
        rows.append(bytes(row))
    return b"".join(rows)


def rotate_rgb(rgb):
    reversed_bytes = rgb[::-1]
    out = bytearray(len(rgb))
    out[0::3] = reversed_bytes[2::3]
    out[1::3] = reversed_bytes[1::3]
    out[2::3] = reversed_bytes[0::3]
    return bytes(out)


def encode(rgb, pixel_format):
    r, g, b = rgb[0::3], rgb[1::3], rgb[2::3]
    count = len(r)
    if pixel_format == "rgb565":
        lo = or_bytes(g.translate(bytes(((i >> 2) & 7) << 5 for i in range(256))),
                      b.translate(bytes(i >> 3 for i in range(256))))
        hi = or_bytes(r.translate(bytes((i >> 3) << 3 for i in range(256))),
                      g.translate(bytes(i >> 5 for i in range(256))))
        out = bytearray(count * 2)
        out[0::2], out[1::2] = lo, hi
        return bytes(out)
    out = bytearray(count * 4)
    first, third = (b, r) if pixel_format == "bgra8888" else (r, b)
    out[0::4], out[1::4], out[2::4] = first, g, third
    out[3::4] = b"\xff" * count
    return bytes(out)


def or_bytes(a, b):
    return (int.from_bytes(a, "big") | int.from_bytes(b, "big")).to_bytes(len(a), "big")


def frame(phone):
    """(width, height, format name, pixel bytes) of the phone's current screen."""
    screen = phone.setting("screen", {})
    pixel_format = screen.get("format", "rgba8888")
    if pixel_format not in FORMATS:
        raise ValueError("unknown pixel format %r" % pixel_format)
    image = screen.get("image")
    source = phone.resolve(image) if image else None
    key = (source, source and os.path.getmtime(source), screen.get("pattern", "gradient"),
           screen.get("width", 480), screen.get("height", 800), pixel_format,
           bool(screen.get("upside_down")))
    with _cache_lock:
        if key in _cache:
            return _cache[key]
    if source:
        width, height, rgb = read_ppm(source)
    else:
        width, height = int(key[3]), int(key[4])
        rgb = pattern_rgb(key[2], width, height)
    if key[6]:
        rgb = rotate_rgb(rgb)
    result = (width, height, pixel_format, encode(rgb, pixel_format))
    with _cache_lock:
        _cache.clear()
        _cache[key] = result
    return result


def header(kind, width, height, pixel_format, size, color_space=0):
    bpp, red, blue, green, alpha = FORMATS[pixel_format]
    tail = (red[0], red[1], blue[0], blue[1], green[0], green[1], alpha[0], alpha[1])
    if kind == "old":
        return struct.pack("<4I", OLD_VERSION, size & 0xFFFFFFFF, width, height)
    if kind == "v1":
        return struct.pack("<13I", 1, bpp, size & 0xFFFFFFFF, width, height, *tail)
    return struct.pack("<14I", 2, bpp, color_space, size & 0xFFFFFFFF, width, height, *tail)


def header_kind(phone):
    kind = phone.setting("screen", {}).get("header", "auto")
    if kind == "auto":
        return "old" if phone.state == "recovery" else "v2"
    return kind


def serve(wire, phone, record, stop_event):
    """Answers one "framebuffer:" request on a connection bound to `phone`."""
    fault = phone.fault("framebuffer")
    if fault == "fail":
        wire.fail("closed")
        return
    wire.okay()
    if fault == "close":
        return
    if fault == "stall":
        wire.wait_closed(600, stop_event)
        return
    width, height, pixel_format, pixels = frame(phone)
    kind = header_kind(phone)
    if fault == "absurd_dimensions":
        width = height = ABSURD
    color_space = int(phone.setting("screen", {}).get("color_space", 0))
    size = width * height * FORMATS[pixel_format][0] // 8
    record("framebuffer", "header %s %dx%d %s" % (kind, width, height, pixel_format))
    head = header(kind, width, height, pixel_format, size, color_space)
    if fault == "short_header":
        wire.send(head[:len(head) // 2])
        return
    wire.send(head)
    if kind == "old" and not wait_nudge(wire, record):
        return
    if fault == "absurd_dimensions":
        wire.send(pixels[:4096])
        return
    if fault in ("close_mid_transfer", "stall_mid_transfer"):
        wire.send(pixels[:len(pixels) // 2])
        if fault == "stall_mid_transfer":
            wire.wait_closed(600, stop_event)
        return
    wire.send(pixels)


def wait_nudge(wire, record):
    """Old-format clients send a nudge after reading the header; pixels follow only then."""
    nudge = wire.read_some(16, 2.0)
    record("framebuffer", "nudge %s" % (nudge.hex() if nudge else "missing"))
    return bool(nudge)
