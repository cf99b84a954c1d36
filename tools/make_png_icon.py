#!/usr/bin/env python3
"""Writes the program icon as a PNG of one size, from the same pixel art as the Windows icon.

The art file is the one make_icon.py reads. A size the art holds is written pixel for pixel;
any other size is the largest image whose size divides it, each pixel repeated (nearest
neighbour), so the pixel art stays sharp. Transparent pixels get alpha 0.

    make_png_icon.py ART_FILE SIZE OUT_PNG
"""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_icon import PALETTE, ArtError, parse_art  # noqa: E402


def pick_image(images, size):
    """The image that draws `size` and its scale factor; ArtError when none divides it."""
    fitting = [image for image in images if size % image.size == 0]
    if not fitting:
        sizes = ", ".join(str(image.size) for image in images)
        raise ArtError(f"no image whose size divides {size} (the art has {sizes})")
    image = max(fitting, key=lambda candidate: candidate.size)
    return image, size // image.size


def rgba_rows(image, scale):
    rows = []
    for row in image.pixels:
        pixels = bytearray()
        for index in row:
            rgba = b"\0\0\0\0" if index is None else bytes(PALETTE[index][1]) + b"\xff"
            pixels += rgba * scale
        rows.extend([bytes(pixels)] * scale)
    return rows


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def encode_png(rows):
    """An 8-bit RGBA PNG of square rows; no time or text chunk, so the bytes depend on the art only."""
    size = len(rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8 bits, RGBA, no interlace
    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(raw, 9))
            + _chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 4 or not argv[2].isdigit() or not 1 <= int(argv[2]) <= 1024:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        try:
            image, scale = pick_image(parse_art(source.read()), int(argv[2]))
        except ArtError as error:
            print(f"{argv[1]}: {error}", file=sys.stderr)
            return 1
    with open(argv[3], "wb") as out:
        out.write(encode_png(rgba_rows(image, scale)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
