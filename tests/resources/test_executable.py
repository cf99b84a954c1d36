"""What the built Velmora.exe carries: version record, icon, manifest, imports, hardening, subsystem.

    test_executable.py EXE [EXE...]

Every given executable that exists is examined; when none exists the test is skipped (exit 77).
"""

import os
import struct
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import TestFailure, check, check_equal, check_icon  # noqa: E402

try:
    import pefile
except ImportError:
    print("pefile is missing (apt-get install python3-pefile); skipped")
    sys.exit(77)

MAKER = "Velmora開発チーム"
STRINGS = [
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
VERSION_1_90 = (1 << 16) | 90
VOS__WINDOWS32, VFT_APP, IMAGE_SUBSYSTEM_WINDOWS_GUI = 4, 1, 2


def resource(pe, type_name, name_id=None):
    """The data of the resource of that type and id; with no id, {id: data} of all of that type."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id == pefile.RESOURCE_TYPE[type_name]:
            for name in kind.directory.entries:
                data = name.directory.entries[0].data.struct
                found[name.id] = pe.get_data(data.OffsetToData, data.Size)
    check(name_id is None or name_id in found, f"no {type_name} {name_id}")
    return found if name_id is None else found[name_id]


def check_version(pe, path):
    fixed = pe.VS_FIXEDFILEINFO[0]
    check_equal((fixed.Signature, fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
                 fixed.ProductVersionLS, fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS, fixed.FileType,
                 fixed.FileSubtype), (0xFEEF04BD, VERSION_1_90, 0, VERSION_1_90, 0, 0, 0, VOS__WINDOWS32, VFT_APP, 0),
                "fixed version fields")
    # The translation block comes before the string block.
    check_equal([info.Key for info in pe.FileInfo[0]], [b"VarFileInfo", b"StringFileInfo"], "version blocks")
    var_info, string_info = pe.FileInfo[0]
    check_equal([var.entry for var in var_info.Var], [{b"Translation": "0x0411 0x04b0"}], "translation")
    (table,) = string_info.StringTable
    check_equal(table.LangID, b"041104B0", "string table language")
    strings = [(key.decode(), value.decode()) for key, value in table.entries.items()]
    check_equal([key for key, _ in strings], [key for key, _ in STRINGS], "version strings")
    for (key, value), (_, expected) in zip(strings, STRINGS):
        check(expected is None or value == expected, f"{key}: {value!r}")
    description = dict(strings)["FileDescription"]
    check(0 < len(description) <= 40 and any("\u3040" <= ch <= "\u30ff" or "\u4e00" <= ch <= "\u9fff"
                                            for ch in description), f"FileDescription {description!r}")


def check_program_icon(pe, path):
    """The first icon group holds a 16 and a 32 pixel image of 16 colours, each the art in the Windows palette."""
    check_equal(list(resource(pe, "RT_GROUP_ICON"))[:1], [1], "the program icon is the first icon group")
    group, images = resource(pe, "RT_GROUP_ICON", 1), resource(pe, "RT_ICON")
    sizes = []
    for i in range(struct.unpack_from("<H", group, 4)[0]):
        width, height, colours, _, planes, bits, length, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        check_equal((width, colours, planes, bits), (height, 16, 1, 4), f"icon group entry {i}")
        sizes.append(width)
        # One image as an .ico file of its own, read back by ImageMagick.
        with tempfile.NamedTemporaryFile(suffix=".ico") as ico:
            ico.write(struct.pack("<HHHBBBBHHII", 0, 1, 1, width, height, colours, 0, planes, bits, length, 22))
            ico.write(images[image_id])
            ico.flush()
            check_icon(ico.name, width)
    check_equal(sorted(sizes), [16, 32], "icon sizes")


def check_manifest(pe, path):
    raw = resource(pe, "RT_MANIFEST", 1)
    root = ElementTree.fromstring(raw)
    names = {element.tag.rsplit("}", 1)[-1].lower() for element in root.iter()}
    check(b"dpiaware" not in raw.lower() and not {"dpiaware", "dpiawareness"} & names, "DPI awareness declared")
    identities = [(e.get("name"), e.get("version")) for e in root.iter() if e.tag.endswith("assemblyIdentity")]
    check(("Microsoft.Windows.Common-Controls", "6.0.0.0") in identities, f"common controls 6: {identities}")
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
    check_equal(levels, ["asInvoker"], "execution level")


def check_linking(pe, path):
    dlls = {entry.dll.decode("ascii").lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(dlls <= SYSTEM_DLLS and {"user32.dll", "shell32.dll"} <= dlls, f"imports {sorted(dlls)}")
    flags = ["DYNAMIC_BASE", "NX_COMPAT"] + (["HIGH_ENTROPY_VA"] if pe.PE_TYPE == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
                                             else [])
    for flag in flags:
        check(pe.OPTIONAL_HEADER.DllCharacteristics & pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + flag],
              f"{flag} is not set")
    # An image without its relocations cannot be moved, whatever its flags say.
    check(not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
          and pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]].Size > 0,
          "the relocations are stripped")
    check_equal(pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI, "subsystem")
    check(os.path.getsize(path) < 300 * 1024, f"{os.path.getsize(path)} bytes")


def main(argv):
    paths = [path for path in argv[1:] if os.path.isfile(path)]
    if not paths:
        print("no Velmora.exe built; skipped:", " ".join(argv[1:]))
        return 77
    failed = 0
    for path in paths:
        pe = pefile.PE(path)
        for examine in (check_version, check_program_icon, check_manifest, check_linking):
            try:
                examine(pe, path)
                print(f"ok   {path}: {examine.__name__}")
            except TestFailure as e:
                failed += 1
                print(f"FAIL {path}: {examine.__name__}: {e}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
