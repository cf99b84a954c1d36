"""Reads 4-bit icon images back into palette indexes and masks, independently of make_icon."""

import struct


class IconImage:
    def __init__(self, width, height, bit_count, palette, pixels, mask):
        self.width = width
        self.height = height
        self.bit_count = bit_count
        self.palette = palette  # list of (red, green, blue)
        self.pixels = pixels  # rows top to bottom of palette indexes
        self.mask = mask  # rows top to bottom of 0 (opaque) / 1 (transparent)

    def art(self):
        """Rows of palette indexes with None for transparent pixels."""
        return [
            [None if m else p for p, m in zip(prow, mrow)] for prow, mrow in zip(self.pixels, self.mask)
        ]


def _stride(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def read_dib(blob):
    """One icon image as stored in an .ico file or an RT_ICON resource."""
    (size, width, height2, planes, bit_count, compression, image_size) = struct.unpack_from("<IiiHHII", blob)
    if size != 40:
        raise ValueError(f"header size {size}")
    if planes != 1 or compression != 0:
        raise ValueError("not a plain DIB")
    if bit_count != 4:
        raise ValueError(f"{bit_count} bits per pixel")
    height = height2 // 2
    if height2 != 2 * width or height != width:
        raise ValueError(f"{width}x{height2}: colour image and mask expected")
    colours = struct.unpack_from("<I", blob, 32)[0] or 16
    palette = []
    for i in range(colours):
        blue, green, red, _ = struct.unpack_from("<BBBB", blob, 40 + 4 * i)
        palette.append((red, green, blue))
    colour_stride = _stride(width * 4)
    mask_stride = _stride(width)
    colour_at = 40 + 4 * colours
    mask_at = colour_at + colour_stride * height
    if len(blob) < mask_at + mask_stride * height:
        raise ValueError("image shorter than its colour bits and mask")
    if image_size not in (0, colour_stride * height + mask_stride * height):
        raise ValueError(f"biSizeImage {image_size}")
    pixels = []
    mask = []
    for row in range(height):  # rows are stored bottom-up
        stored = height - 1 - row
        colour_row = blob[colour_at + stored * colour_stride :][:colour_stride]
        mask_row = blob[mask_at + stored * mask_stride :][:mask_stride]
        pixels.append([(colour_row[x // 2] >> (4 if x % 2 == 0 else 0)) & 0xF for x in range(width)])
        mask.append([(mask_row[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
    return IconImage(width, height, bit_count, palette, pixels, mask)


def read_group_icon(data):
    """The entries of an RT_GROUP_ICON resource: like .ico entries, with resource ids."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon group")
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bit_count, length, ident = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * i
        )
        entries.append(
            dict(
                width=width or 256,
                height=height or 256,
                colours=colours,
                planes=planes,
                bit_count=bit_count,
                length=length,
                id=ident,
            )
        )
    return entries
