#!/usr/bin/env python3
"""Builds a 16-colour Windows icon (.ico) from pixel art kept as text.

The art file holds one or more images, each introduced by a line "image N" (N x N pixels)
and followed by N rows of N letters. Each letter names a colour of the standard Windows
16-colour palette; '.' is a transparent pixel. Lines starting with '#' and blank lines are
ignored. Every image is written at 4 bits per pixel with its 1-bit AND mask, in file order.

    make_icon.py ART_FILE OUT_ICO
"""

import struct
import sys

# The standard Windows 16-colour palette, in index order: (letter, (red, green, blue)).
PALETTE = [
    ("K", (0x00, 0x00, 0x00)),  # black
    ("m", (0x80, 0x00, 0x00)),  # maroon
    ("g", (0x00, 0x80, 0x00)),  # green
    ("o", (0x80, 0x80, 0x00)),  # olive
    ("n", (0x00, 0x00, 0x80)),  # navy
    ("p", (0x80, 0x00, 0x80)),  # purple
    ("t", (0x00, 0x80, 0x80)),  # teal
    ("s", (0xC0, 0xC0, 0xC0)),  # silver
    ("d", (0x80, 0x80, 0x80)),  # grey
    ("R", (0xFF, 0x00, 0x00)),  # red
    ("G", (0x00, 0xFF, 0x00)),  # lime
    ("Y", (0xFF, 0xFF, 0x00)),  # yellow
    ("B", (0x00, 0x00, 0xFF)),  # blue
    ("M", (0xFF, 0x00, 0xFF)),  # fuchsia
    ("C", (0x00, 0xFF, 0xFF)),  # aqua
    ("W", (0xFF, 0xFF, 0xFF)),  # white
]
TRANSPARENT = "."
LETTER_INDEX = {letter: index for index, (letter, _) in enumerate(PALETTE)}


class ArtError(ValueError):
    pass


class Image:
    """One square image: rows of palette indexes, None where the pixel is transparent."""

    def __init__(self, size, pixels):
        self.size = size
        self.pixels = pixels


def parse_art(text):
    images = []
    current = None
    for number, raw in enumerate(text.splitlines(), start=1):
        line = raw.rstrip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("image"):
            words = line.split()
            if len(words) != 2 or not words[1].isdigit() or not 1 <= int(words[1]) <= 256:
                raise ArtError(f"line {number}: expected 'image N' with N from 1 to 256")
            if current is not None:
                _finish(current)
            size = int(words[1])
            if any(image.size == size for image in images):
                raise ArtError(f"line {number}: a second {size}x{size} image")
            current = Image(size, [])
            images.append(current)
            continue
        if current is None:
            raise ArtError(f"line {number}: pixels before the first 'image' line")
        if len(current.pixels) == current.size:
            raise ArtError(f"line {number}: more than {current.size} rows")
        if len(line) != current.size:
            raise ArtError(f"line {number}: {len(line)} pixels, expected {current.size}")
        row = []
        for letter in line:
            if letter == TRANSPARENT:
                row.append(None)
            elif letter in LETTER_INDEX:
                row.append(LETTER_INDEX[letter])
            else:
                raise ArtError(f"line {number}: '{letter}' is not a palette letter")
        current.pixels.append(row)
    if current is None:
        raise ArtError("no image")
    _finish(current)
    return images


def _finish(image):
    if len(image.pixels) != image.size:
        raise ArtError(f"{image.size}x{image.size} image has {len(image.pixels)} rows")


def _padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def encode_image(image):
    """The icon resource of one image: BITMAPINFOHEADER, palette, colour bits, AND mask."""
    size = image.size
    colour_rows = []
    mask_rows = []
    for row in reversed(image.pixels):  # DIB rows run bottom-up
        indexes = [0 if index is None else index for index in row]
        if size % 2:
            indexes.append(0)
        colour = bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, len(indexes), 2))
        colour_rows.append(_padded(colour))
        bits = [1 if index is None else 0 for index in row]
        bits += [0] * (-len(bits) % 8)
        mask = bytes(
            sum(bit << (7 - k) for k, bit in enumerate(bits[i : i + 8])) for i in range(0, len(bits), 8)
        )
        mask_rows.append(_padded(mask))
    colour_bits = b"".join(colour_rows)
    mask_bits = b"".join(mask_rows)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        size,
        size * 2,  # colour image and mask stacked
        1,  # biPlanes
        4,  # biBitCount
        0,  # BI_RGB
        len(colour_bits) + len(mask_bits),
        0,
        0,
        16,  # biClrUsed
        0,
    )
    palette = b"".join(struct.pack("<BBBB", blue, green, red, 0) for _, (red, green, blue) in PALETTE)
    return header + palette + colour_bits + mask_bits


def encode_ico(images):
    entries = []
    blobs = []
    offset = 6 + 16 * len(images)
    for image in images:
        blob = encode_image(image)
        side = image.size % 256  # 256 is written as 0
        entries.append(struct.pack("<BBBBHHII", side, side, 16, 0, 1, 4, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        try:
            images = parse_art(source.read())
        except ArtError as error:
            print(f"{argv[1]}: {error}", file=sys.stderr)
            return 1
    with open(argv[2], "wb") as out:
        out.write(encode_ico(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
