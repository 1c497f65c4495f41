#!/usr/bin/env python3
"""Draws Trevlin's icon (32x32 and 16x16, 16 colours) and the links'
pointing-hand cursor (32x32, 16 colours, hot spot 12,1) as 4-bit ICO/CUR
files, so the artwork is ours and rebuilt byte for byte from this script.
The preview picture is made by make_preview.sh."""
import struct
import sys
from pathlib import Path

# The classic 16-colour palette, (B, G, R, 0) as bitmaps store it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # RGB
BLACK, NAVY, GREY, SILVER, YELLOW, WHITE, TEAL = 0, 4, 8, 7, 11, 15, 6


def bitmap(pixels, mask):
    """4-bit DIB with its AND mask, bottom-up, as an ICO/CUR image."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = b""
    for row in reversed(pixels):
        data = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        xor += data + b"\0" * (-len(data) % 4)
    andmask = b""
    for row in reversed(mask):
        bits = 0
        data = bytearray()
        for i, transparent in enumerate(row):
            bits = (bits << 1) | (1 if transparent else 0)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        andmask += bytes(data) + b"\0" * (-len(data) % 4)
    return header + palette + xor + andmask


def icon_file(images, kind=1, hotspot=(0, 0)):
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for pixels, mask in images:
        blob = bitmap(pixels, mask)
        size = len(pixels)
        planes, bits = (hotspot if kind == 2 else (1, 4))
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, planes, bits, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def draw_icon(size):
    """A film frame with a play mark: the saver shows a film."""
    px = [[NAVY] * size for _ in range(size)]
    s = size / 32
    hole = max(1, round(2 * s))
    for y in range(size):
        for x in range(size):
            if x < round(5 * s) or x >= size - round(5 * s):
                px[y][x] = BLACK
                if (y // hole) % 2 == 0 and round(1.5 * s) <= x % (size - hole) < round(1.5 * s) + hole:
                    px[y][x] = SILVER
    # Play triangle, pointing right.
    x0, x1, yc, h = round(11 * s), round(23 * s), size // 2, round(8 * s)
    for x in range(x0, x1 + 1):
        half = h * (x1 - x) / (x1 - x0)
        for y in range(size):
            if abs(y + 0.5 - yc) <= half:
                px[y][x] = YELLOW
    mask = [[False] * size for _ in range(size)]
    return px, mask


HAND = """\
................................
............##..................
...........#oo#.................
...........#oo#.................
...........#oo#.................
...........#oo#.................
...........#oo###...............
...........#oo#oo##.............
...........#oo#oo#o##...........
.........###oo#oo#oo#...........
........#oo#oooooooo#...........
........#ooooooooooo#...........
.........#oooooooooo#...........
.........#oooooooooo#...........
..........#ooooooooo#...........
..........#oooooooo#............
...........#ooooooo#............
...........#ooooooo#............
...........#########............
"""


def draw_hand():
    rows = HAND.splitlines() + ["." * 32] * (32 - len(HAND.splitlines()))
    px = [[{"#": BLACK, "o": WHITE}.get(c, BLACK) for c in row] for row in rows]
    mask = [[c == "." for c in row] for row in rows]
    return px, mask


def main(folder):
    folder = Path(folder)
    (folder / "trevlin.ico").write_bytes(icon_file([draw_icon(32), draw_icon(16)]))
    (folder / "hand.cur").write_bytes(icon_file([draw_hand()], kind=2, hotspot=(12, 1)))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
