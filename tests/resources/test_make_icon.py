"""The icon generator and the program icon's source art."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, HERE)

import make_icon  # noqa: E402
from ico_reader import read_ico  # noqa: E402

ART = os.path.join(ROOT, "platform", "win32", "res", "velmora_icon.txt")
TOOL = os.path.join(ROOT, "tools", "make_icon.py")

# The standard Windows 16-colour palette, in index order.
WINDOWS_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]  # fmt: skip
BLUE, YELLOW, SILVER, GREY = 12, 11, 7, 8


def load_art():
    with open(ART, encoding="utf-8") as source:
        return make_icon.parse_art(source.read())


class GeneratorTest(unittest.TestCase):
    def test_icon_file_decodes_back_to_the_art(self):
        images = load_art()
        entries, decoded = read_ico(make_icon.encode_ico(images))
        self.assertEqual([(e["width"], e["height"]) for e in entries], [(32, 32), (16, 16)])
        for entry, image, back in zip(entries, images, decoded):
            self.assertEqual((entry["colours"], entry["planes"], entry["bit_count"]), (16, 1, 4))
            self.assertEqual(back.palette, WINDOWS_16)
            self.assertEqual(back.art(), image.pixels)

    def test_transparent_pixels_are_black_under_the_mask(self):
        (image,) = make_icon.parse_art("image 2\n.W\nB.\n")
        _, (back,) = read_ico(make_icon.encode_ico([image]))
        self.assertEqual(back.mask, [[1, 0], [0, 1]])
        self.assertEqual(back.pixels, [[0, 15], [12, 0]])

    def test_odd_sizes_pad_every_row(self):
        art = "image 3\nKWB\nY.s\nRGC\n"
        (image,) = make_icon.parse_art(art)
        _, (back,) = read_ico(make_icon.encode_ico([image]))
        self.assertEqual(back.art(), [[0, 15, 12], [11, None, 7], [9, 10, 14]])

    def test_every_palette_letter_maps_to_its_colour(self):
        letters = "KmgotpnsdRGYBMCW"
        art = "image 16\n" + "\n".join(letters for _ in range(16)) + "\n"
        (image,) = make_icon.parse_art(art)
        _, (back,) = read_ico(make_icon.encode_ico([image]))
        colours = [back.palette[index] for index in back.pixels[0]]
        expected = {
            "K": (0, 0, 0), "m": (0x80, 0, 0), "g": (0, 0x80, 0), "o": (0x80, 0x80, 0), "n": (0, 0, 0x80),
            "p": (0x80, 0, 0x80), "t": (0, 0x80, 0x80), "s": (0xC0, 0xC0, 0xC0), "d": (0x80, 0x80, 0x80),
            "R": (0xFF, 0, 0), "G": (0, 0xFF, 0), "Y": (0xFF, 0xFF, 0), "B": (0, 0, 0xFF),
            "M": (0xFF, 0, 0xFF), "C": (0, 0xFF, 0xFF), "W": (0xFF, 0xFF, 0xFF),
        }  # fmt: skip
        self.assertEqual(colours, [expected[letter] for letter in letters])

    def test_faulty_art_is_refused(self):
        cases = {
            "unknown letter": "image 2\nKX\nKK\n",
            "short row": "image 2\nK\nKK\n",
            "long row": "image 2\nKKK\nKK\n",
            "missing row": "image 2\nKK\n",
            "extra row": "image 2\nKK\nKK\nKK\n",
            "pixels before image": "KK\nimage 2\nKK\nKK\n",
            "two images of one size": "image 1\nK\nimage 1\nW\n",
            "no size": "image\nK\n",
            "nothing": "# only a comment\n",
        }
        for name, art in cases.items():
            with self.subTest(name):
                with self.assertRaises(make_icon.ArtError):
                    make_icon.parse_art(art)

    def test_command_writes_the_icon_and_reports_bad_art(self):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "velmora.ico")
            subprocess.run([sys.executable, TOOL, ART, out], check=True)
            with open(out, "rb") as written:
                self.assertEqual(written.read(), make_icon.encode_ico(load_art()))

            bad = os.path.join(folder, "bad.txt")
            with open(bad, "w", encoding="utf-8") as art:
                art.write("image 2\nKZ\nKK\n")
            result = subprocess.run([sys.executable, TOOL, bad, out + "2"], capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            self.assertIn("line 2", result.stderr)
            self.assertFalse(os.path.exists(out + "2"))


def downscaled(pixels):
    """The 32x32 art at 16x16: each 2x2 block becomes its most common value."""
    half = len(pixels) // 2
    out = []
    for r in range(half):
        row = []
        for c in range(half):
            block = [pixels[2 * r + i][2 * c + j] for i in (0, 1) for j in (0, 1)]
            row.append(max(block, key=block.count))
        out.append(row)
    return out


def stroke_slope(pixels):
    """Covariance of column and row over the yellow pixels: negative when the stroke rises to the right."""
    points = [(r, c) for r, row in enumerate(pixels) for c, v in enumerate(row) if v == YELLOW]
    mean_r = sum(r for r, _ in points) / len(points)
    mean_c = sum(c for _, c in points) / len(points)
    return sum((r - mean_r) * (c - mean_c) for r, c in points) / len(points)


class ProgramArtTest(unittest.TestCase):
    def setUp(self):
        self.large, self.small = load_art()

    def test_two_images_32_and_16(self):
        self.assertEqual((self.large.size, self.small.size), (32, 16))

    def test_both_images_use_the_same_colours(self):
        def colours(image):
            return {v for row in image.pixels for v in row if v is not None}

        self.assertEqual(colours(self.large), colours(self.small))
        self.assertTrue({BLUE, YELLOW, SILVER, GREY} <= colours(self.large))

    def test_small_image_has_the_outline_of_the_large_one(self):
        mask_large = [[v is None for v in row] for row in downscaled(self.large.pixels)]
        mask_small = [[v is None for v in row] for row in self.small.pixels]
        same = sum(a == b for ra, rb in zip(mask_large, mask_small) for a, b in zip(ra, rb))
        self.assertGreaterEqual(same / 256, 0.85)

    def test_blue_screen_sits_in_the_same_place(self):
        def blue_box(pixels, scale):
            cells = [(r * scale, c * scale) for r, row in enumerate(pixels) for c, v in enumerate(row) if v in (BLUE, YELLOW)]
            rows = [r for r, _ in cells]
            cols = [c for _, c in cells]
            return min(rows), max(rows), min(cols), max(cols)

        large = blue_box(self.large.pixels, 1)
        small = blue_box(self.small.pixels, 2)
        for a, b in zip(large, small):
            self.assertLessEqual(abs(a - b), 4)

    def test_yellow_stroke_rises_to_the_right_in_both(self):
        self.assertLess(stroke_slope(self.large.pixels), 0)
        self.assertLess(stroke_slope(self.small.pixels), 0)

    def test_stroke_crosses_the_screen_from_edge_to_edge(self):
        for image in (self.large, self.small):
            with self.subTest(size=image.size):
                screen_cols = {c for row in image.pixels for c, v in enumerate(row) if v == BLUE}
                stroke_cols = {c for row in image.pixels for c, v in enumerate(row) if v == YELLOW}
                self.assertLessEqual(min(stroke_cols), min(screen_cols) + 1)
                self.assertGreaterEqual(max(stroke_cols), max(screen_cols) - 1)


if __name__ == "__main__":
    unittest.main()
