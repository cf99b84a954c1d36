#!/usr/bin/env python3
"""Tests of the Debian package of the X11 velmora: builds it with the linux preset's package
target, runs lintian, desktop-file-validate and appstreamcli over it, and runs the program and
reads the manual page as installed (unpacked with dpkg-deb -x into a throwaway folder).
Run through run_tests.sh; prints "N passed, M failed". Arguments select tests by name."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from harness import ROOT, TestFailure, XSession, check  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools"))
from make_icon import PALETTE, parse_art  # noqa: E402

BUILD = os.path.join(ROOT, "build", "linux")
ICON_ART = os.path.join(ROOT, "platform", "win32", "res", "velmora_icon.txt")
ICON_SIZES = (16, 32, 48, 64, 128)


def run(*cmd, **kwargs):
    return subprocess.run(list(cmd), capture_output=True, text=True, timeout=300, **kwargs)


def project_version():
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as f:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(\S+)$", f.read(), re.M).group(1)


class Package:
    """The built .deb and its files unpacked under a throwaway folder."""

    def __init__(self):
        result = run("cmake", "--build", "--preset", "linux", "--target", "package", cwd=ROOT)
        check(result.returncode == 0, "the package target failed:\n" + result.stdout[-2000:] + result.stderr)
        self.version = project_version()
        self.arch = run("dpkg", "--print-architecture").stdout.strip()
        self.deb = os.path.join(BUILD, "velmora_%s_%s.deb" % (self.version, self.arch))
        check(os.path.isfile(self.deb), "no %s" % self.deb)
        self.root = tempfile.mkdtemp(prefix="velmora-deb-")
        result = run("dpkg-deb", "-x", self.deb, self.root)
        check(result.returncode == 0, "dpkg-deb -x: " + result.stderr)

    def path(self, relative):
        return os.path.join(self.root, relative)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).stdout.strip()

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


PACKAGE = None
PACKAGE_FAILURE = None


def package():
    """The package, built once; when that fails, every test that needs it fails with the reason."""
    global PACKAGE, PACKAGE_FAILURE
    if PACKAGE is None and PACKAGE_FAILURE is None:
        try:
            PACKAGE = Package()
        except TestFailure as e:
            PACKAGE_FAILURE = e
    if PACKAGE_FAILURE is not None:
        raise PACKAGE_FAILURE
    return PACKAGE


# -- the package and its validators ----------------------------------------------------------

def test_control_fields():
    p = package()
    check(p.field("Package") == "velmora", "Package: %r" % p.field("Package"))
    check(p.field("Version") == p.version, "Version %r, the project's is %r" % (p.field("Version"), p.version))
    check(p.field("Architecture") == p.arch, "Architecture: %r" % p.field("Architecture"))
    check(p.field("Section") == "x11", "Section: %r" % p.field("Section"))
    check(re.fullmatch(r".+ <[^@\s]+@[^@\s]+>", p.field("Maintainer")), "Maintainer: %r" % p.field("Maintainer"))
    # Computed from the binary: the libraries the program links, each with a version floor.
    depends = p.field("Depends")
    for library in ("libqt6widgets6", "libxrandr2", "libx11-6", "libc6"):
        check(re.search(r"\b%s\b" % library, depends), "Depends lacks %s: %r" % (library, depends))
    synopsis, _, extended = p.field("Description").partition("\n")
    check(0 < len(synopsis) < 80 and extended.count("\n") >= 3, "Description: %r" % p.field("Description"))


def test_lintian_reports_no_error_or_warning():
    result = run("lintian", "--fail-on", "error,warning", package().deb)
    tags = [line for line in result.stdout.splitlines() if re.match(r"[EW]: ", line)]
    check(result.returncode == 0 and not tags, "lintian:\n" + result.stdout + result.stderr)


def test_desktop_entry_is_valid():
    entry = package().path("usr/share/applications/velmora.desktop")
    result = run("desktop-file-validate", entry)
    check(result.returncode == 0 and not (result.stdout + result.stderr).strip(),
          "desktop-file-validate:\n" + result.stdout + result.stderr)
    with open(entry, encoding="utf-8") as f:
        keys = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
    for key, value in (("Exec", "velmora"), ("Icon", "velmora"), ("Categories", "Settings;HardwareSettings;")):
        check(keys.get(key) == value, "%s=%r, expected %r" % (key, keys.get(key), value))
    check(keys.get("Name") and keys.get("Comment") and re.search(r"[\u3040-\u30ff]", keys.get("Comment[ja]", "")),
          "Name, an English Comment and a Japanese Comment[ja] are needed: %r" % keys)


def test_appstream_entry_is_valid():
    folder = package().path("usr/share/metainfo")
    files = os.listdir(folder)
    check(len(files) == 1 and files[0].endswith(".metainfo.xml"), "metainfo files: %s" % files)
    result = run("appstreamcli", "validate", "--no-net", "--pedantic", "--strict", os.path.join(folder, files[0]))
    issues = [line for line in result.stdout.splitlines() if re.match(r"[EWIP]: ", line)]
    check(result.returncode == 0 and not issues, "appstreamcli:\n" + result.stdout + result.stderr)
    with open(os.path.join(folder, files[0]), encoding="utf-8") as f:
        text = f.read()
    check("<launchable type=\"desktop-id\">velmora.desktop</launchable>" in text, "no launchable velmora.desktop")
    check('<release version="%s"' % package().version in text, "no release entry for %s" % package().version)


def test_icons_are_the_windows_pixel_art():
    with open(ICON_ART, encoding="utf-8") as f:
        images = {image.size: image for image in parse_art(f.read())}
    for size in ICON_SIZES:
        png = package().path("usr/share/icons/hicolor/%dx%d/apps/velmora.png" % (size, size))
        check(os.path.isfile(png), "no icon at %dx%d" % (size, size))
        info = run("identify", "-format", "%w %h %[channels]", png).stdout
        check(info.startswith("%d %d" % (size, size)) and "a" in info.split()[-1], "%s: %r" % (png, info))
        raw = subprocess.run(["convert", png, "-depth", "8", "rgba:-"], capture_output=True, timeout=30).stdout
        source = max((s for s in images if size % s == 0), default=None)
        check(source, "the art has no image that draws %d pixels" % size)
        scale = size // source
        for y in range(size):
            for x in range(size):
                index = images[source].pixels[y // scale][x // scale]
                got = tuple(raw[4 * (y * size + x): 4 * (y * size + x) + 4])
                # A transparent pixel only needs alpha 0; its colour does not show.
                ok = got[3] == 0 if index is None else got == PALETTE[index][1] + (255,)
                check(ok, "%dx%d icon at (%d, %d) is %s, the art has %r" % (
                    size, size, x, y, got, "transparent" if index is None else PALETTE[index][0]))


def test_readme_beside_the_program_and_in_the_package():
    in_build = os.path.join(BUILD, "platform", "linux", "Readme.txt")
    check(os.path.isfile(os.path.join(os.path.dirname(in_build), "velmora")) and os.path.isfile(in_build),
          "Readme.txt must sit beside build/linux/platform/linux/velmora")
    with open(in_build, "rb") as f:
        data = f.read()
    with open(package().path("usr/share/doc/velmora/Readme.txt"), "rb") as f:
        check(f.read() == data, "the packaged Readme.txt differs from the one in the build folder")
    text = data.decode("utf-8")  # fails on anything but UTF-8
    check("\r" not in text and "Ver %s" % package().version in text, "Readme.txt: LF line ends and the version")
    check("man velmora" in text, "Readme.txt must point to the manual page for what differs from Windows")


# -- the program as installed -----------------------------------------------------------------

def test_installed_program_switches_the_mode():
    program = package().path("usr/bin/velmora")
    with XSession(modes=["1024x768", "800x600"], tray=False) as x:
        bpp = x.root_bits_per_pixel()
        check(x.current_mode() == (1280, 1024), "the screen should start at 1280x1024")
        result = subprocess.run([program, "/s1024,768,%d" % bpp], env=x.env(), capture_output=True, text=True,
                                timeout=30)
        check(result.returncode == 0, "exit status %d, expected 0 (%s)" % (result.returncode, result.stderr))
        check(x.current_mode() == (1024, 768), "xrandr reports %s, expected 1024x768" % (x.current_mode(),))


def test_manual_page_renders():
    page = package().path("usr/share/man/man1/velmora.1.gz")
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    result = run("man", "--warnings", "-l", page, env=env)
    check(result.returncode == 0 and not result.stderr.strip(), "man -l: status %d\n%s" % (result.returncode,
                                                                                         result.stderr))
    text = re.sub(r".\x08", "", result.stdout)  # no overstrike, whichever pager settings apply
    for heading in ("NAME", "SYNOPSIS", "THE TRAY MENU", "THE /s SWITCH", "EXIT STATUS",
                    "DIFFERENCES FROM THE WINDOWS BUILD"):
        check(re.search(r"^%s$" % re.escape(heading), text, re.M), "no %s section" % heading)
    statuses = re.search(r"^EXIT STATUS$(.*?)^\S", text, re.M | re.S).group(1)
    check(re.findall(r"^\s+(\d)\s", statuses, re.M) == list("012345"), "exit statuses:\n" + statuses)
    for caption in ("スクリーンセーバ起動", "スクリーンセーバを無効にする", "画面のプロパティを開く",
                    "バージョン情報", "終了"):
        check(caption in text, "the menu item %s is not described" % caption)
    check("~/.config/autostart/" in text, "starting at log-in is not described")


def main():
    tests = [(name, fn) for name, fn in globals().items() if name.startswith("test_") and callable(fn)]
    only = sys.argv[1:]
    if only:
        tests = [(n, f) for n, f in tests if any(o in n for o in only)]
    if not tests:
        return 0  # a selection for the other Linux tests
    passed = failed = 0
    try:
        for name, fn in tests:
            start = time.monotonic()
            try:
                fn()
            except Exception as e:  # a failure of the test or of its tools: both are failures
                failed += 1
                print("FAIL %s (%.1fs): %s" % (name, time.monotonic() - start, e), flush=True)
                if not isinstance(e, TestFailure):
                    traceback.print_exc()
            else:
                passed += 1
                print("ok   %s (%.1fs)" % (name, time.monotonic() - start), flush=True)
    finally:
        if PACKAGE is not None:
            PACKAGE.close()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
