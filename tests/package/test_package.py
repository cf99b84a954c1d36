#!/usr/bin/env python3
"""What a Windows user downloads, for each architecture built: the archive's name and its two files, a
Readme.txt that Notepad on a Japanese Windows opens correctly (code page 932, CR LF, no byte-order mark), and the
Velmora.exe in it: machine, version record, icon, manifest, imports and hardening; and what makes a rebuild of
the same commit give the same bytes: the commit's date as the PE time stamp and every entry's time, no build path."""
import os
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
import zipfile

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import REPO, check, check_equal, check_icon, check_no_build_path, main, source_date  # noqa: E402


VERSION = os.environ.get("VELMORA_VERSION", "1.90")
MACHINES = {"win32": 0x14C, "win64": 0x8664}
MAKER = "Velmora開発チーム"
STRINGS = [("Comments", "Windows2000でも解像度をダイレクトに変えたくて作ったんだよ"), ("CompanyName", MAKER),
           ("LegalCopyright", MAKER), ("LegalTrademarks", MAKER), ("FileDescription", None),  # checked below
           ("ProductName", "Velmora"), ("InternalName", "Velmora"), ("FileVersion", "1.90"),
           ("ProductVersion", "1.90"), ("OriginalFilename", "Velmora.exe")]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comctl32.dll", "msvcrt.dll", "advapi32.dll"}


def unpack(arch):
    """Builds the archive; (Velmora.exe, Readme.txt) from it. Its entries come in name order, each dated the
    source date (DOS times: UTC, 2-second steps), and no byte of it names the build folder."""
    subprocess.run(["cmake", "--build", REPO / "build" / arch, "--target", "package"], check=True,
                   stdout=subprocess.DEVNULL)
    name = f"Velmora-{VERSION}-{arch}"
    path = REPO / "build" / arch / f"{name}.zip"
    with zipfile.ZipFile(path) as archive:
        files = [i.filename for i in archive.infolist() if not i.is_dir()]
        check_equal(files, [f"{name}/Readme.txt", f"{name}/Velmora.exe"], "files in order")
        date = time.gmtime(source_date())
        check_equal({i.date_time for i in archive.infolist()}, {date[:5] + (date[5] // 2 * 2,)}, "entry times")
        for blob in [path.read_bytes()] + [archive.read(i) for i in archive.infolist()]:
            check_no_build_path(path.name, blob)
        return archive.read(f"{name}/Velmora.exe"), archive.read(f"{name}/Readme.txt")


def check_readme(readme):
    check(not readme.startswith(b"\xef\xbb\xbf"), "Readme.txt starts with a byte-order mark")
    check_equal(readme.count(b"\n"), readme.count(b"\r\n"), "lines of Readme.txt ending in CR LF")
    text = readme.decode("cp932").replace("\r\n", "\n")
    check_equal(text, (REPO / "docs" / "Readme.txt").read_text(encoding="utf-8"), "Readme.txt")
    check(f"Ver {VERSION}" in text, f"Readme.txt does not name Ver {VERSION}")


def resources(pe, type_name):
    """{id: data} of the resources of that type."""
    (kind,) = [k for k in pe.DIRECTORY_ENTRY_RESOURCE.entries if k.id == pefile.RESOURCE_TYPE[type_name]]
    return {name.id: pe.get_data(name.directory.entries[0].data.struct.OffsetToData,
                                 name.directory.entries[0].data.struct.Size) for name in kind.directory.entries}


def check_version(pe):
    fixed, v190 = pe.VS_FIXEDFILEINFO[0], (1 << 16) | 90
    check_equal((fixed.Signature, fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
                 fixed.ProductVersionLS, fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS, fixed.FileType,
                 fixed.FileSubtype), (0xFEEF04BD, v190, 0, v190, 0, 0, 0, 4, 1, 0), "fixed version fields")
    # The translation block comes before the string block.
    check_equal([info.Key for info in pe.FileInfo[0]], [b"VarFileInfo", b"StringFileInfo"], "version blocks")
    var_info, string_info = pe.FileInfo[0]
    check_equal([var.entry for var in var_info.Var], [{b"Translation": "0x0411 0x04b0"}], "translation")
    (table,) = string_info.StringTable
    check_equal(table.LangID, b"041104B0", "string table language")
    strings = [(key.decode(), value.decode()) for key, value in table.entries.items()]
    check_equal([(k, None if k == "FileDescription" else v) for k, v in strings], STRINGS, "version strings")
    description = dict(strings)["FileDescription"]
    check(0 < len(description) <= 40 and any("\u3040" <= ch <= "\u30ff" or "\u4e00" <= ch <= "\u9fff"
                                            for ch in description), f"FileDescription {description!r}")


def check_program_icon(pe):
    """The first icon group holds a 16 and a 32 pixel image of 16 colours, each the art in the Windows palette."""
    groups, images = resources(pe, "RT_GROUP_ICON"), resources(pe, "RT_ICON")
    check_equal(list(groups)[:1], [1], "the program icon is the first icon group")
    sizes = []
    for i in range(struct.unpack_from("<H", groups[1], 4)[0]):
        width, height, colours, _, planes, bits, length, image = struct.unpack_from("<BBBBHHIH", groups[1], 6 + 14 * i)
        check_equal((width, colours, planes, bits), (height, 16, 1, 4), f"icon group entry {i}")
        sizes.append(width)
        with tempfile.NamedTemporaryFile(suffix=".ico") as ico:  # the image as an .ico file of its own
            ico.write(struct.pack("<HHHBBBBHHII", 0, 1, 1, width, height, colours, 0, planes, bits, length, 22))
            ico.write(images[image])
            ico.flush()
            check_icon(ico.name, width)
    check_equal(sorted(sizes), [16, 32], "icon sizes")


def check_manifest(pe):
    raw = resources(pe, "RT_MANIFEST")[1]
    root = ElementTree.fromstring(raw)
    check(b"dpiaware" not in raw.lower(), "DPI awareness declared")
    identities = [(e.get("name"), e.get("version")) for e in root.iter() if e.tag.endswith("assemblyIdentity")]
    check(("Microsoft.Windows.Common-Controls", "6.0.0.0") in identities, f"common controls 6: {identities}")
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
    check_equal(levels, ["asInvoker"], "execution level")


def check_linking(pe, exe):
    dlls = {entry.dll.decode("ascii").lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(dlls <= SYSTEM_DLLS and {"user32.dll", "shell32.dll"} <= dlls, f"imports {sorted(dlls)}")
    wide = pe.PE_TYPE == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
    for flag in ["DYNAMIC_BASE", "NX_COMPAT"] + ["HIGH_ENTROPY_VA"] * wide:
        check(pe.OPTIONAL_HEADER.DllCharacteristics & pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + flag],
              f"{flag} is not set")
    # An image without its relocations cannot be moved, whatever its flags say.
    check(not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
          and pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]].Size > 0,
          "the relocations are stripped")
    check_equal(pe.OPTIONAL_HEADER.Subsystem, 2, "subsystem (2: Windows GUI)")
    check(len(exe) < 300 * 1024, f"{len(exe)} bytes")


def check_package(arch):
    exe, readme = unpack(arch)
    check_readme(readme)
    pe = pefile.PE(data=exe)
    check_equal(pe.FILE_HEADER.Machine, MACHINES[arch], "machine")
    check_equal(pe.FILE_HEADER.TimeDateStamp, source_date(), "PE time stamp (the source date)")
    check(exe == (REPO / "build" / arch / "Velmora.exe").read_bytes(), "the built Velmora.exe is not the zip's")
    check_version(pe)
    check_program_icon(pe)
    check_manifest(pe)
    check_linking(pe, exe)


if __name__ == "__main__":
    main({"win32": lambda: check_package("win32"), "win64": lambda: check_package("win64")})
