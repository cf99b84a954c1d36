#!/usr/bin/env python3
"""Builds the Windows packages, unpacks them and checks what a user gets: the archive's name,
its two files, the program's architecture and a Readme.txt that Notepad on a Japanese Windows
opens correctly (code page 932, CR LF, no byte-order mark). An architecture not built is skipped."""
import os
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import REPO, check, check_equal, main  # noqa: E402

VERSION = os.environ.get("VELMORA_VERSION", "1.90")
MACHINES = {"win32": 0x14C, "win64": 0x8664}


def check_package(arch):
    build = REPO / "build" / arch
    if not (build / "Velmora.exe").exists():
        return print(f"   no {arch} build: skipped")
    subprocess.run(["cmake", "--build", build, "--target", "package"], check=True, stdout=subprocess.DEVNULL)
    name = f"Velmora-{VERSION}-{arch}"
    with zipfile.ZipFile(build / f"{name}.zip") as archive:
        files = sorted(i.filename for i in archive.infolist() if not i.is_dir())
        check_equal(files, [f"{name}/Readme.txt", f"{name}/Velmora.exe"], "files")
        exe, readme = archive.read(f"{name}/Velmora.exe"), archive.read(f"{name}/Readme.txt")
    pe = int.from_bytes(exe[0x3C:0x40], "little")
    check_equal((exe[pe:pe + 4], int.from_bytes(exe[pe + 4:pe + 6], "little")), (b"PE\0\0", MACHINES[arch]), "machine")
    check(not readme.startswith(b"\xef\xbb\xbf"), "Readme.txt starts with a byte-order mark")
    check_equal(readme.count(b"\n"), readme.count(b"\r\n"), "lines of Readme.txt ending in CR LF")
    text = readme.decode("cp932").replace("\r\n", "\n")
    check_equal(text, (REPO / "docs" / "Readme.txt").read_text(encoding="utf-8"), "Readme.txt")
    check(f"Ver {VERSION}" in text, f"Readme.txt does not name Ver {VERSION}")


if __name__ == "__main__":
    main({"win32": lambda: check_package("win32"), "win64": lambda: check_package("win64")})
