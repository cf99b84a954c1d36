"""What the built Velmora.exe carries: version record, icon, manifest, imports, hardening, subsystem.

    test_executable.py EXE [EXE...]

Every given executable that exists is examined; when none exists the test is skipped (exit 77).
"""

import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, HERE)

import pefile  # noqa: E402

import make_icon  # noqa: E402
from ico_reader import read_dib, read_group_icon  # noqa: E402

ART = os.path.join(ROOT, "platform", "win32", "res", "velmora_icon.txt")
# The standard Windows 16-colour palette, in index order.
WINDOWS_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]  # fmt: skip
SKIPPED = 77

MAKER = "Velmora開発チーム"
EXPECTED_STRINGS = [
    ("Comments", "Windows2000でも解像度をダイレクトに変えたくて作ったんだよ"),
    ("CompanyName", MAKER),
    ("LegalCopyright", MAKER),
    ("LegalTrademarks", MAKER),
    ("FileDescription", None),  # Japanese wording of our own; checked separately
    ("ProductName", "Velmora"),
    ("InternalName", "Velmora"),
    ("FileVersion", "1.90"),
    ("ProductVersion", "1.90"),
    ("OriginalFilename", "Velmora.exe"),
]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comctl32.dll", "msvcrt.dll", "advapi32.dll"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
VOS__WINDOWS32 = 4
VFT_APP = 1
MAX_SIZE = 300 * 1024


def utf16(text):
    return text.encode("utf-16-le")


class ExecutableChecks:
    """Mixed into one TestCase per executable; `path` is set on the subclass."""

    path = None

    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(cls.path)

    def resource(self, type_id, name_id):
        for kind in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id != type_id:
                continue
            for name in kind.directory.entries:
                if name.id == name_id:
                    data = name.directory.entries[0].data.struct
                    return self.pe.get_data(data.OffsetToData, data.Size)
        self.fail(f"no resource of type {type_id} with id {name_id}")

    def resource_ids(self, type_id):
        for kind in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id == type_id:
                return [name.id for name in kind.directory.entries]
        return []

    # Version record.

    def test_fixed_version_fields(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual(fixed.Signature, 0xFEEF04BD)
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), ((1 << 16) | 90, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), ((1 << 16) | 90, 0))
        self.assertEqual((fixed.FileFlagsMask, fixed.FileFlags), (0, 0))
        self.assertEqual(fixed.FileOS, VOS__WINDOWS32)
        self.assertEqual((fixed.FileType, fixed.FileSubtype), (VFT_APP, 0))

    def test_translation_block_comes_before_the_string_block(self):
        self.assertEqual([info.Key for info in self.pe.FileInfo[0]], [b"VarFileInfo", b"StringFileInfo"])
        raw = self.resource(pefile.RESOURCE_TYPE["RT_VERSION"], 1)
        self.assertLess(raw.find(utf16("VarFileInfo")), raw.find(utf16("StringFileInfo")))
        self.assertGreater(raw.find(utf16("VarFileInfo")), 0)

    def test_translation_is_japanese_utf16(self):
        (var_info,) = [info for info in self.pe.FileInfo[0] if info.Key == b"VarFileInfo"]
        self.assertEqual([var.entry for var in var_info.Var], [{b"Translation": "0x0411 0x04b0"}])

    def test_strings_in_order_with_exact_texts(self):
        (string_info,) = [info for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo"]
        (table,) = string_info.StringTable
        self.assertEqual(table.LangID, b"041104B0")
        entries = [(key.decode("utf-8"), value.decode("utf-8")) for key, value in table.entries.items()]
        self.assertEqual([key for key, _ in entries], [key for key, _ in EXPECTED_STRINGS])
        for (key, value), (_, expected) in zip(entries, EXPECTED_STRINGS):
            with self.subTest(key):
                if expected is not None:
                    self.assertEqual(value, expected)

    def test_file_description_is_short_japanese(self):
        (string_info,) = [info for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo"]
        description = string_info.StringTable[0].entries[b"FileDescription"].decode("utf-8")
        self.assertTrue(0 < len(description) <= 40, description)
        self.assertTrue(any("\u3040" <= ch <= "\u30ff" or "\u4e00" <= ch <= "\u9fff" for ch in description))

    # Program icon.

    def test_program_icon_has_32_and_16_pixel_images_with_masks(self):
        group_ids = self.resource_ids(pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
        self.assertEqual(group_ids[:1], [1], "the program icon is the first icon group")
        entries = read_group_icon(self.resource(pefile.RESOURCE_TYPE["RT_GROUP_ICON"], 1))
        self.assertEqual(sorted((e["width"], e["height"]) for e in entries), [(16, 16), (32, 32)])
        for entry in entries:
            with self.subTest(size=entry["width"]):
                self.assertEqual((entry["colours"], entry["planes"], entry["bit_count"]), (16, 1, 4))
                image = read_dib(self.resource(pefile.RESOURCE_TYPE["RT_ICON"], entry["id"]))
                self.assertEqual((image.width, image.height, image.bit_count), (entry["width"], entry["width"], 4))
                self.assertTrue(any(any(row) for row in image.mask), "the mask makes the corners transparent")

    def test_program_icon_is_the_source_art(self):
        with open(ART, encoding="utf-8") as source:
            art = {image.size: image.pixels for image in make_icon.parse_art(source.read())}
        entries = read_group_icon(self.resource(pefile.RESOURCE_TYPE["RT_GROUP_ICON"], 1))
        for entry in entries:
            with self.subTest(size=entry["width"]):
                image = read_dib(self.resource(pefile.RESOURCE_TYPE["RT_ICON"], entry["id"]))
                self.assertEqual(image.art(), art[entry["width"]])
                self.assertEqual(image.palette, WINDOWS_16)

    # Manifest.

    def manifest(self):
        return self.resource(pefile.RESOURCE_TYPE["RT_MANIFEST"], 1)

    def test_manifest_declares_no_dpi_awareness(self):
        self.assertNotIn(b"dpiaware", self.manifest().lower())
        root = ElementTree.fromstring(self.manifest())
        names = {element.tag.rsplit("}", 1)[-1].lower() for element in root.iter()}
        self.assertFalse({"dpiaware", "dpiawareness"} & names)

    def test_manifest_asks_for_common_controls_6_as_invoker(self):
        root = ElementTree.fromstring(self.manifest())
        identities = [e.attrib for e in root.iter() if e.tag.endswith("assemblyIdentity")]
        self.assertIn(
            ("Microsoft.Windows.Common-Controls", "6.0.0.0"), [(i.get("name"), i.get("version")) for i in identities]
        )
        levels = [e.attrib.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])

    # Linking.

    def test_imports_only_system_dlls(self):
        dlls = {entry.dll.decode("ascii").lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(dlls, SYSTEM_DLLS)
        self.assertTrue({"user32.dll", "shell32.dll"} <= dlls)

    def test_aslr_and_dep(self):
        flags = ["DYNAMIC_BASE", "NX_COMPAT"]
        if self.pe.PE_TYPE == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS:
            flags.append("HIGH_ENTROPY_VA")
        for flag in flags:
            with self.subTest(flag):
                value = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + flag]
                self.assertTrue(self.pe.OPTIONAL_HEADER.DllCharacteristics & value)
        # An image without its relocations cannot be moved, whatever its flags say.
        stripped = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
        self.assertFalse(self.pe.FILE_HEADER.Characteristics & stripped)
        relocations = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]
        self.assertGreater(self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[relocations].Size, 0)

    def test_gui_subsystem(self):
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_small(self):
        self.assertLess(os.path.getsize(self.path), MAX_SIZE)


def suite_for(paths):
    suite = unittest.TestSuite()
    loader = unittest.TestLoader()
    for path in paths:
        name = "Velmora_" + os.path.basename(os.path.dirname(os.path.abspath(path)))
        case = type(name, (ExecutableChecks, unittest.TestCase), {"path": path})
        suite.addTests(loader.loadTestsFromTestCase(case))
    return suite


def main(argv):
    paths = [path for path in argv[1:] if os.path.isfile(path)]
    if not paths:
        print("no Velmora.exe built; skipped:", " ".join(argv[1:]))
        return SKIPPED
    print("examining", " ".join(paths))
    result = unittest.TextTestRunner(verbosity=2).run(suite_for(paths))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
