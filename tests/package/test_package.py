#!/usr/bin/env python3
"""Builds the Windows packages, unpacks them and checks what a user gets: the archive's name,
its two files, the program's architecture and a Readme.txt that Notepad on a Japanese Windows
opens correctly (code page 932, CR LF, no byte-order mark)."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
VERSION = os.environ.get("VELMORA_VERSION", "1.90")
MACHINES = {"win32": 0x14C, "win64": 0x8664}


def pe_machine(data: bytes) -> int:
    pe = int.from_bytes(data[0x3C:0x40], "little")
    assert data[pe:pe + 4] == b"PE\0\0"
    return int.from_bytes(data[pe + 4:pe + 6], "little")


class Package(unittest.TestCase):
    def check(self, arch: str) -> None:
        build = os.path.join(SOURCE, "build", arch)
        if not os.path.exists(os.path.join(build, "Velmora.exe")):
            self.skipTest(f"no {arch} build")
        subprocess.run(["cmake", "--build", build, "--target", "package"], check=True,
                       stdout=subprocess.DEVNULL)
        name = f"Velmora-{VERSION}-{arch}"
        archive = os.path.join(build, name + ".zip")
        self.assertTrue(os.path.isfile(archive), archive)
        with zipfile.ZipFile(archive) as z:
            files = sorted(i.filename for i in z.infolist() if not i.is_dir())
            self.assertEqual(files, [f"{name}/Readme.txt", f"{name}/Velmora.exe"])
            exe = z.read(f"{name}/Velmora.exe")
            readme = z.read(f"{name}/Readme.txt")
        self.assertEqual(pe_machine(exe), MACHINES[arch])

        self.assertFalse(readme.startswith(b"\xef\xbb\xbf"))
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"), "every line ends with CR LF")
        text = readme.decode("cp932")
        with open(os.path.join(SOURCE, "docs", "Readme.txt"), encoding="utf-8") as f:
            self.assertEqual(text.replace("\r\n", "\n"), f.read())
        self.assertIn(f"Ver {VERSION}", text)
        self.assertIn("Velmora.exe /s1024,768,16", text)

    def test_win32(self) -> None:
        self.check("win32")

    def test_win64(self) -> None:
        self.check("win64")


if __name__ == "__main__":
    sys.exit(0 if unittest.main(exit=False).result.wasSuccessful() else 1)
