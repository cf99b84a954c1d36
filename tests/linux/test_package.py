"""Tests of the Debian package of the X11 velmora, run with the other X11 tests: the package target's .deb,
lintian, desktop-file-validate and appstreamcli over it, and the program and manual page as installed (the
package unpacked with dpkg-deb -x into a throwaway folder)."""

import functools
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import REPO, X11Session, check, check_equal, check_icon  # noqa: E402

BUILD = REPO / "build" / "linux"


def run(*cmd, **kw):
    return subprocess.run(list(map(str, cmd)), capture_output=True, text=True, timeout=300, **kw)


@functools.lru_cache(maxsize=None)
def package():
    """(the .deb, the folder it is unpacked in, the project version), built once."""
    res = run("cmake", "--build", "--preset", "linux", "--target", "package", cwd=REPO)
    check(res.returncode == 0, "the package target failed:\n" + res.stdout[-2000:] + res.stderr)
    version = re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(\S+)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
    deb = BUILD / f"velmora_{version}_{run('dpkg', '--print-architecture').stdout.strip()}.deb"
    root = BUILD / "unpacked"
    shutil.rmtree(root, ignore_errors=True)
    check(run("dpkg-deb", "-x", deb, root).returncode == 0, f"dpkg-deb -x {deb}")
    return deb, root, version


def test_package_fields_and_lintian():
    deb, _, version = package()
    field = lambda name: run("dpkg-deb", "-f", deb, name).stdout.strip()  # noqa: E731
    check_equal((field("Package"), field("Version"), field("Section")), ("velmora", version, "x11"), "fields")
    depends = set(re.findall(r"[\w.+-]+", field("Depends")))  # computed from the binary
    check({"libqt6widgets6", "libxrandr2", "libx11-6", "libc6"} <= depends, f"Depends: {field('Depends')!r}")
    res = run("lintian", "--fail-on", "error,warning", deb)
    check(res.returncode == 0 and not re.search(r"^[EW]: ", res.stdout, re.M), "lintian:\n" + res.stdout)


def test_package_desktop_entry_and_appstream():
    _, root, version = package()
    entry = root / "usr/share/applications/velmora.desktop"
    res = run("desktop-file-validate", entry)
    check(res.returncode == 0 and not (res.stdout + res.stderr).strip(), "desktop-file-validate:\n" + res.stdout)
    keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    check_equal([keys.get(k) for k in ("Exec", "Icon", "Categories")], ["velmora", "velmora",
                "Settings;HardwareSettings;"], "Exec, Icon, Categories")
    check(keys.get("Comment") and re.search("[\u3040-\u30ff]", keys.get("Comment[ja]", "")), "the two Comments")
    (meta,) = (root / "usr/share/metainfo").glob("*.metainfo.xml")
    res = run("appstreamcli", "validate", "--no-net", "--pedantic", "--strict", meta)
    check(res.returncode == 0 and not re.search(r"^[EWIP]: ", res.stdout, re.M), "appstreamcli:\n" + res.stdout)
    check(f'<release version="{version}"' in meta.read_text(), f"no release entry for {version}")


def test_package_icons_are_the_program_icon():
    for size in (16, 32, 48, 64, 128):
        check_icon(package()[1] / f"usr/share/icons/hicolor/{size}x{size}/apps/velmora.png", size)


def test_package_readme_beside_the_program():
    readme = BUILD / "platform/linux/Readme.txt"
    check_equal(readme.read_bytes(), (package()[1] / "usr/share/doc/velmora/Readme.txt").read_bytes(),
                "Readme.txt beside the program and in the package")
    text = readme.read_text(encoding="utf-8")
    check("\r" not in text and f"Ver {package()[2]}" in text and "man velmora" in text, "Readme.txt's content")


def test_package_program_switches_the_mode():
    with X11Session("package", ["1024x768"], tray=False) as x:
        res = subprocess.run([package()[1] / "usr/bin/velmora", "/s1024,768,32"],  # a 24-bit screen shows 32 bits
                             env=x.env(), capture_output=True, text=True, timeout=30)
        check_equal(res.returncode, 0, f"exit status ({res.stderr})")
        check_equal(x.current_mode(), (1024, 768), "the mode RandR reports")


def test_package_manual_page():
    res = run("man", "--warnings", "-l", package()[1] / "usr/share/man/man1/velmora.1.gz",
              env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
    check(res.returncode == 0 and not res.stderr.strip(), f"man -l: {res.returncode} {res.stderr}")
    text = re.sub(r".\x08", "", res.stdout)
    statuses = re.search(r"^EXIT STATUS$(.*?)^\S", text, re.M | re.S)[1]
    check_equal(re.findall(r"^\s+(\d)\s", statuses, re.M), list("012345"), "exit statuses")
    for caption in ("スクリーンセーバ起動", "スクリーンセーバを無効にする", "画面のプロパティを開く", "バージョン情報", "終了",
                    "~/.config/autostart/"):
        check(caption in text, f"the manual page does not describe {caption}")
