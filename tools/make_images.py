#!/usr/bin/python3
"""Draws Vemlo's pictures from the pixel art below and writes them as the
files that res/vemlo.rc takes in, so no image file of unknown origin is kept
in the repository.

    make_images.py --out DIR [--preview FILE.png]

DIR receives
  app.ico   the application's icon: 32 x 32 and 16 x 16, 32 bits per pixel
  tray.ico  the notification-area icon: 16 x 16, 16 colours (4 bits per pixel)
  menu.bmp  the seven menu images side by side, 112 x 16, 24 bits per pixel,
            magenta (255, 0, 255) where a picture is transparent

--preview writes every picture, enlarged, on a checkerboard, as a PNG file.
Standard library only.
"""

import argparse
import os
import struct
import sys
import zlib

# One character per pixel. "." is transparent.
PALETTE = {
    "K": (0, 0, 0),
    "k": (64, 64, 64),
    "g": (128, 128, 128),
    "w": (192, 192, 192),
    "W": (255, 255, 255),
    "B": (0, 64, 224),
    "b": (0, 32, 128),
    "c": (96, 160, 255),
    "S": (32, 128, 224),
    "G": (0, 160, 48),
    "R": (255, 0, 0),
    "r": (160, 0, 0),
    "Y": (255, 240, 0),
    "y": (200, 160, 0),
    "l": (255, 250, 170),
    "P": (128, 32, 176),
    "q": (72, 0, 104),
    "F": (250, 210, 90),
    "f": (230, 170, 50),
    "e": (150, 100, 0),
}

MASK_COLOUR = (255, 0, 255)

# The notification-area icon, in the 16 colours of the standard palette only.
TRAY = """
KKKKKKKKKKKKKKKK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWRWWWRRWWWRRRWK
KWRWWRWWRWRWWWWK
KWRWWRWWRWRWRRWK
KWRWWRWWRWRWWRWK
KWRRWWRRWWWRRRWK
KWWWWWWWWWWWWWWK
KKKKKKKKKKKKKKKK
"""

# The menu images, in the order of their indexes.
MENU = [
    # 0: a black diagonal cross
    """
................
................
..KK........KK..
..KKK......KKK..
...KKK....KKK...
....KKK..KKK....
.....KKKKKK.....
......KKKK......
......KKKK......
.....KKKKKK.....
....KKK..KKK....
...KKK....KKK...
..KKK......KKK..
..KK........KK..
................
................
""",
    # 1: a white speech bubble holding a blue letter i
    """
................
...gggggggggg...
..gWWWWWWWWWWg..
.gWWWWWBBWWWWWg.
.gWWWWWBBWWWWWg.
.gWWWWWWWWWWWWg.
.gWWWWBBBWWWWWg.
.gWWWWWBBWWWWWg.
.gWWWWWBBWWWWWg.
.gWWWWWBBWWWWWg.
.gWWWWBBBBWWWWg.
..gWWWWWWWWWWg..
...gWWgggggggg..
...gWg..........
...gg...........
................
""",
    # 2: a globe with a network plug
    """
...bbbbbb.......
.bbSSGGSSbb.....
.bSGGGGSSSb.....
bSSGGGGGSGGb....
bSSSGGGSSGGb....
bSSSSGSSSSSb....
bSSSSSSSGGSb....
bSSSSSSGGGSb....
.bSSSSSSGSb.....
.bbSSSSSSbbkk...
...bbbbbb...k...
..........kkkkkk
..........kwwwwk
..........kwwwwk
..........kyyyyk
..........kkkkkk
""",
    # 3: a purple book with a yellow question mark
    """
................
..qPPPPPPPPPPq..
..qPPPPPPPPPPqW.
..qPPPPYYYYPPqW.
..qPPPYYPPYYPqW.
..qPPPPPPPYYPqW.
..qPPPPPPYYPPqW.
..qPPPPPYYPPPqW.
..qPPPPPYYPPPqW.
..qPPPPPPPPPPqW.
..qPPPPPYYPPPqW.
..qPPPPPYYPPPqW.
..qPPPPPPPPPPqW.
..qqqqqqqqqqqqW.
...WWWWWWWWWWWW.
................
""",
    # 4: a yellow note with a red clip
    """
.....rRRr.......
....rR..Rr......
....R....R......
.yyyRyRyyRyyyy..
.yYYRYRYYRYYYy..
.yYYRYRYYRYYYy..
.yYYRYRRRRYYYy..
.yYYRYYYYRYYYy..
.yYYrRRRRrYYYy..
.yYYYYYYYYYYYy..
.yYeeeeeeeeYYy..
.yYYYYYYYYYYYy..
.yYeeeeeeYYYYy..
.yYYYYYYYYYYyy..
.yyyyyyyyyyyy...
................
""",
    # 5: a white sheet with blue lines of writing
    """
..gggggggggg....
..gWWWWWWWWgg...
..gWWWWWWWWgWg..
..gWBBBBBWWggggg
..gWWWWWWWWWWWWg
..gWBBBBBBBBBWWg
..gWWWWWWWWWWWWg
..gWBBBBBBBBBWWg
..gWWWWWWWWWWWWg
..gWBBBBBBBBBWWg
..gWWWWWWWWWWWWg
..gWBBBBBBBBBWWg
..gWWWWWWWWWWWWg
..gWBBBBBBWWWWWg
..gWWWWWWWWWWWWg
..gggggggggggggg
""",
    # 6: an open folder holding papers
    """
................
.eeee...........
eFFFFe..........
eFFFFFeeeeeeee..
eFFgggggggggFe..
eFFgWWWWWWWgFe..
eFgWWBBBBBWWgFe.
eFgWWWWWWWWWgFe.
eFgWBBBBBBBWgFe.
eFeeeeeeeeeeeeee
eFeffffffffffffe
eeffffffffffffe.
eefffffffffffe..
efffffffffffe...
eeeeeeeeeeeee...
................
""",
]


def grid(art, size):
    rows = [row for row in art.strip("\n").split("\n")]
    if len(rows) != size:
        raise ValueError(f"{len(rows)} rows instead of {size}")
    pixels = []
    for y, row in enumerate(rows):
        if len(row) != size:
            raise ValueError(f"row {y}: {len(row)} pixels instead of {size}: {row!r}")
        pixels.append([None if ch == "." else PALETTE[ch] for ch in row])
    return pixels


def app_icon(size):
    """The tray icon's picture with a blue band across its top, like the label
    of a log book, enlarged to a size that is a multiple of 16."""
    pixels = grid(TRAY, 16)
    for y in range(1, 4):
        for x in range(1, 15):
            pixels[y][x] = PALETTE["B"]
    unit = size // 16
    return [[pixels[y // unit][x // unit] for x in range(size)] for y in range(size)]


# The 16 colours of the standard VGA palette, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def and_mask(pixels):
    """1 bit per pixel, bottom row first, rows padded to 32 bits; 1 is transparent."""
    size = len(pixels)
    stride = (size + 31) // 32 * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def icon_image_32(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for p in row:
            xor += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    return header + bytes(xor) + and_mask(pixels)


def icon_image_4(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in VGA16)
    stride = (size * 4 + 31) // 32 * 4
    xor = bytearray()
    for y, row in enumerate(reversed(pixels)):
        line = bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                index = 0
            elif p in VGA16:
                index = VGA16.index(p)
            else:
                raise ValueError(f"tray pixel ({x}, {size - 1 - y}) {p} is not one of the 16 colours")
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
    return header + palette + bytes(xor) + and_mask(pixels)


def ico(images):
    """images: (pixels, bits per pixel, encoded image) for each entry."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for pixels, bits, data in images:
        size = len(pixels)
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset + len(body))
        body += data
    return out + body


def strip_bmp(images):
    size = len(images[0])
    width = size * len(images)
    stride = (width * 3 + 3) // 4 * 4
    rows = bytearray()
    for y in reversed(range(size)):
        line = bytearray()
        for pixels in images:
            for p in pixels[y]:
                r, g, b = MASK_COLOUR if p is None else p
                line += bytes((b, g, r))
        line += bytes(stride - len(line))
        rows += line
    info = struct.pack("<IiiHHIIiiII", 40, width, size, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + bytes(rows)


def png(width, height, rgb_rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(pictures, scale=8, gap=8):
    """All pictures in one row, enlarged, on a light checkerboard."""
    width = sum(len(p) * scale for p in pictures) + gap * (len(pictures) + 1)
    height = max(len(p) for p in pictures) * scale + 2 * gap
    canvas = [[(90, 90, 110)] * width for _ in range(height)]
    x0 = gap
    for pixels in pictures:
        size = len(pixels)
        for y in range(size * scale):
            for x in range(size * scale):
                p = pixels[y // scale][x // scale]
                if p is None:
                    p = (230, 230, 230) if ((x // 4) + (y // 4)) % 2 else (200, 200, 200)
                canvas[gap + y][x0 + x] = p
        x0 += size * scale + gap
    return png(width, height, [[c for p in row for c in p] for row in canvas])


def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True, help="folder for app.ico, tray.ico and menu.bmp")
    parser.add_argument("--preview", help="PNG file showing every picture enlarged")
    args = parser.parse_args()

    tray = grid(TRAY, 16)
    if any(p is None for row in tray for p in row):
        sys.exit("make_images.py: the tray icon is a full square; it has no transparent pixel")
    menu = [grid(art, 16) for art in MENU]
    for pixels in menu:
        if any(p == MASK_COLOUR for row in pixels for p in row):
            sys.exit("make_images.py: a menu image uses the mask colour")
    app32, app16 = app_icon(32), app_icon(16)

    os.makedirs(args.out, exist_ok=True)
    write(os.path.join(args.out, "app.ico"),
          ico([(app32, 32, icon_image_32(app32)), (app16, 32, icon_image_32(app16))]))
    write(os.path.join(args.out, "tray.ico"), ico([(tray, 4, icon_image_4(tray))]))
    write(os.path.join(args.out, "menu.bmp"), strip_bmp(menu))
    if args.preview:
        write(args.preview, preview([tray, app16, app32] + menu))


if __name__ == "__main__":
    main()
