#!/usr/bin/env python3
"""Regenerates the tool bar bitmap and the program icon in res/.

Standard library only: the BMP and ICO bytes are written by hand. All images use the
16-colour Windows palette, so they look the same on any display depth.

    python3 scripts/make-res-images.py [--preview DIR]

--preview also writes enlarged PNG copies for looking at the result.
"""
import argparse
import pathlib
import struct
import zlib

# The 16 standard colours, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Art characters -> palette index. '.' is the button face grey in the tool bar and
# transparent in the icon.
INK = {
    "k": 0, "R": 1, "G": 2, "o": 3, "N": 4, "t": 6, ".": 7, "d": 8,
    "r": 9, "g": 10, "y": 11, "b": 12, "c": 14, "w": 15,
}
TRANSPARENT = "."

# Tool bar images, in button order: delete all items, add all items, accept.
DELETE_ALL = """
................
................
..RR........RR..
..RrR......RrR..
...RrR....RrR...
....RrR..RrR....
.....RrRRrR.....
......RrrR......
......RrrR......
.....RrRRrR.....
....RrR..RrR....
...RrR....RrR...
..RrR......RrR..
..RR........RR..
................
................
"""

ADD_ALL = """
................
................
......GGGG......
......GggG......
......GggG......
......GggG......
..GGGGGggGGGGG..
..GggggggggggG..
..GggggggggggG..
..GGGGGggGGGGG..
......GggG......
......GggG......
......GggG......
......GGGG......
................
................
"""

ACCEPT = """
................
................
..............N.
.............NbN
............NbN.
...........NbN..
..N.......NbN...
.NbN.....NbN....
NbbbN...NbN.....
.NbbbN.NbN......
..NbbbNbbN......
...NbbbbN.......
....NbbN........
.....NN.........
................
................
"""

# Icon: a root node with a trunk and three branches leading to item tags.
ICON_32 = """
................................
................................
..kkkkkkkkkkk...................
..kyyyyyyyyyk...................
..kyoooooooyk...................
..kyyyyyyyyyk...................
..kyooooooyyk...................
..kyyyyyyyyyk...................
..kyoooooooyk...................
..kyyyyyyyyyk...................
..kkkkkkkkkkk...................
......kk.....kkkkkkkkkkkkkkkkk..
......kk.....kgggggggggggggggk..
......kkkkkkkkgGGGgGGGGgGGgggk..
......kkkkkkkkgGGGgGGGGgGGgggk..
......kk.....kgggggggggggggggk..
......kk.....kkkkkkkkkkkkkkkkk..
......kk........................
......kk.....kkkkkkkkkkkkkkkkk..
......kk.....kccccccccccccccck..
......kkkkkkkkctttcttttcttccck..
......kkkkkkkkctttcttttcttccck..
......kk.....kccccccccccccccck..
......kk.....kkkkkkkkkkkkkkkkk..
......kk........................
......kk.....kkkkkkkkkkkkkkkkk..
......kk.....kwwwwwwwwwwwwwwwk..
......kkkkkkkkwNNNwNNNNwNNwwwk..
......kkkkkkkkwNNNwNNNNwNNwwwk..
.............kwwwwwwwwwwwwwwwk..
.............kkkkkkkkkkkkkkkkk..
................................
"""

ICON_16 = """
kkkkkkk.........
kyyyyyk.........
kyoooyk.........
kkkkkkk.........
..k...kkkkkkkkkk
..k...kgGGgGGGgk
..kkkkkgGGgGGGgk
..k...kkkkkkkkkk
..k...kkkkkkkkkk
..k...kcttctttck
..kkkkkcttctttck
..k...kkkkkkkkkk
..k...kkkkkkkkkk
..k...kwNNwNNNwk
..kkkkkwNNwNNNwk
......kkkkkkkkkk
"""


def parse_art(art, width, height):
    rows = [line for line in art.strip("\n").split("\n")]
    assert len(rows) == height, f"art has {len(rows)} rows, expected {height}"
    for y, row in enumerate(rows):
        assert len(row) == width, f"art row {y} has {len(row)} columns, expected {width}: {row!r}"
    return rows


def side_by_side(*arts):
    return ["".join(parts) for parts in zip(*arts)]


def pack_4bpp(rows):
    """Bottom-up 4-bit rows, each padded to a multiple of 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(0, len(row), 2):
            hi = INK[row[x]]
            lo = INK[row[x + 1]] if x + 1 < len(row) else 0
            line.append(hi << 4 | lo)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def pack_mask(rows):
    """Bottom-up 1-bit AND mask: set bits are transparent."""
    out = bytearray()
    for row in reversed(rows):
        bits = [1 if ch == TRANSPARENT else 0 for ch in row]
        line = bytearray()
        for x in range(0, len(bits), 8):
            byte = 0
            for i, bit in enumerate(bits[x:x + 8]):
                byte |= bit << (7 - i)
            line.append(byte)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def make_bmp(rows):
    width, height = len(rows[0]), len(rows)
    pixels = pack_4bpp(rows)
    body = info_header(width, height, len(pixels)) + palette_bytes()
    offset = 14 + len(body)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + body + pixels


def icon_image(rows):
    """Strip out the transparent pixels (black in the XOR image) and add the AND mask."""
    width, height = len(rows[0]), len(rows)
    xor_rows = [row.replace(TRANSPARENT, "k") for row in rows]
    pixels = pack_4bpp(xor_rows) + pack_mask(rows)
    # The icon header counts XOR and AND image together, so its height is doubled.
    return width, height, info_header(width, height * 2, len(pixels)) + palette_bytes() + pixels


def make_ico(*images):
    entries = [icon_image(rows) for rows in images]
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(head) + 16 * len(entries)
    directory, data = b"", b""
    for width, height, blob in entries:
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(blob),
                                 offset + len(data))
        data += blob
    return head + directory + data


def make_png(rows, scale, transparent_as):
    """Enlarged preview; only for looking at the art."""
    def colour(ch):
        return transparent_as if ch == TRANSPARENT and transparent_as else PALETTE[INK[ch]]

    raw = bytearray()
    for row in rows:
        line = bytearray(b"\0")
        for ch in row:
            line += bytes(colour(ch)) * scale
        raw += bytes(line) * scale

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(
            ">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", len(rows[0]) * scale, len(rows) * scale, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(
        b"IEND", b"")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--preview", type=pathlib.Path, help="also write enlarged PNGs here")
    args = parser.parse_args()
    res = pathlib.Path(__file__).resolve().parent.parent / "res"

    toolbar = side_by_side(*(parse_art(a, 16, 16) for a in (DELETE_ALL, ADD_ALL, ACCEPT)))
    icon32 = parse_art(ICON_32, 32, 32)
    icon16 = parse_art(ICON_16, 16, 16)

    (res / "toolbar.bmp").write_bytes(make_bmp(toolbar))
    (res / "ZIZAZOzivuvi.ico").write_bytes(make_ico(icon32, icon16))

    if args.preview:
        args.preview.mkdir(parents=True, exist_ok=True)
        (args.preview / "toolbar.png").write_bytes(make_png(toolbar, 8, None))
        (args.preview / "icon32.png").write_bytes(make_png(icon32, 8, (255, 240, 220)))
        (args.preview / "icon16.png").write_bytes(make_png(icon16, 8, (255, 240, 220)))


if __name__ == "__main__":
    main()
