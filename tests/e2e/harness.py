"""End-to-end harness: runs Velmora.exe under Wine on a private X server and drives it.

Each test opens a Session: its own Xvfb, its own copy of a Wine prefix whose default desktop is a
1280x1024 virtual desktop (so every program of the test shares one desktop with a taskbar and a
notification area), and the processes it starts. Session.close() stops all of them by their ids,
also when the test failed.

The Windows side is reached through velmora_driver.exe (tests/driver), which prints one record a line.
Only the Python standard library is used.
"""

import contextlib
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
ARTIFACTS = REPO / "artifacts" / "e2e"
TEMPLATE = REPO / "build" / "wineprefix-template"
SCREEN_W, SCREEN_H = 1280, 1024
WINE_DIR = Path("/usr/lib/wine")

# Exit code by which ctest marks a test as skipped (tools missing on this machine).
SKIP = 77


class TestFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise TestFailure(f"{what}: expected {expected!r}, got {actual!r}")


def log(*parts):
    print("[e2e]", *parts, flush=True)


# ------------------------------------------------------------------ choosing Wine and the build


def _works(cmd):
    try:
        return subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def choose_wine():
    """(loader, build folder): the 32-bit loader and build only where this kernel runs 32-bit code."""
    win_build = Path(os.environ.get("VELMORA_WIN_BUILD_DIR", REPO / "build" / "win64"))
    loader32, loader64 = WINE_DIR / "wine", WINE_DIR / "wine64"
    build32 = win_build.parent / "win32"
    if (build32 / "Velmora.exe").exists() and _works([str(loader32), "--version"]):
        return loader32, build32
    return loader64, win_build


LOADER, BUILD = choose_wine()
VELMORA = BUILD / "Velmora.exe"
DRIVER = BUILD / "velmora_driver.exe"


def require_tools():
    missing = [t for t in ("Xvfb", "xdotool", "import", "convert") if shutil.which(t) is None]
    if missing or not (WINE_DIR / "wine64").exists():
        log("skipped: missing tools:", " ".join(missing) or "wine64")
        sys.exit(SKIP)
    for exe in (VELMORA, DRIVER, DRIVER.parent / "menuspy.dll"):
        check(exe.exists(), f"{exe} is missing: build the Windows preset first "
                            "(cmake --preset win64 && cmake --build --preset win64)")


def base_env(prefix, display):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEARCH": "win64",
        "WINELOADER": str(LOADER),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree=;mshtml=",
        "LANG": "ja_JP.UTF-8",
        "LC_ALL": "ja_JP.UTF-8",
        "DISPLAY": f":{display}",
    })
    return env


# ------------------------------------------------------------------ X server


def start_xvfb():
    """Starts Xvfb on a display number it picks itself; (process, display number)."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    data = b""
    deadline = time.time() + 20
    while not data.endswith(b"\n") and time.time() < deadline:
        chunk = os.read(read_fd, 16)
        if not chunk:
            break
        data += chunk
    os.close(read_fd)
    if not data.strip():
        proc.kill()
        proc.wait()
        raise RuntimeError("Xvfb did not report a display")
    return proc, int(data.strip())


def stop(proc, grace=5):
    """Ends one process we started, by its id: SIGTERM, then SIGKILL."""
    if proc is None or proc.poll() is not None:
        return
    with contextlib.suppress(ProcessLookupError):
        os.kill(proc.pid, signal.SIGTERM)
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        with contextlib.suppress(ProcessLookupError):
            os.kill(proc.pid, signal.SIGKILL)
        proc.wait()


# ------------------------------------------------------------------ Wine prefix template


def wine64_cmd(env, *args, timeout=120):
    """Runs a Wine tool with the 64-bit loader, which makes and serves the (64-bit) prefix."""
    loader = WINE_DIR / "wine64"
    return subprocess.run([str(loader), *map(str, args)], env={**env, "WINELOADER": str(loader)},
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout).returncode


def wineserver_kill(env):
    server = WINE_DIR / "wineserver"
    with contextlib.suppress(subprocess.TimeoutExpired):
        subprocess.run([str(server), "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
    with contextlib.suppress(subprocess.TimeoutExpired):
        subprocess.run([str(server), "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)


def kill_prefix_processes(prefix):
    """Ends, by their ids, the Wine processes still running in a prefix of ours (those that outlive their
    wineserver are otherwise left waiting on their pipes)."""
    marker = f"WINEPREFIX={prefix}".encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            os.kill(int(entry), signal.SIGKILL)
        except (OSError, ProcessLookupError):
            pass


# Registry values every test prefix starts with: (key, name, type, data).
PREFIX_SETTINGS = [
    # Every program of a test runs in one virtual desktop of the X screen's size.
    (r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default"),
    (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", f"{SCREEN_W}x{SCREEN_H}"),
    # A crash of the program under test must not leave a dialog box waiting.
    (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
] + [
    # The Japanese system fonts the program names, drawn with the IPA fonts of the same kind
    # (proportional for the P fonts), so that text takes about the room it takes on Windows.
    (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", name, "REG_SZ", ipa)
    for name, ipa in (("ＭＳ Ｐゴシック", "IPAPGothic"), ("MS PGothic", "IPAPGothic"), ("MS UI Gothic", "IPAPGothic"),
                      ("ＭＳ ゴシック", "IPAGothic"), ("MS Gothic", "IPAGothic"))
]
# Changes whenever PREFIX_SETTINGS or the way the template is made changes: an older template is rebuilt.
TEMPLATE_VERSION = "2"


def ensure_template():
    """Builds build/wineprefix-template once (wineboot plus PREFIX_SETTINGS); later runs copy it."""
    TEMPLATE.parent.mkdir(parents=True, exist_ok=True)
    ready = TEMPLATE / ".velmora-ready"
    with open(str(TEMPLATE) + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if ready.exists() and ready.read_text().strip() == TEMPLATE_VERSION:
            return
        log("creating Wine prefix template", TEMPLATE)
        started = time.time()
        work = Path(str(TEMPLATE) + ".tmp")
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(TEMPLATE, ignore_errors=True)
        xvfb, display = start_xvfb()
        env = base_env(work, display)
        try:
            wine64_cmd(env, "wineboot", "-i", timeout=300)
            for key, name, kind, value in PREFIX_SETTINGS:
                wine64_cmd(env, "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")
        finally:
            wineserver_kill(env)
            kill_prefix_processes(work)
            stop(xvfb)
        check((work / "user.reg").exists(), "wineboot did not create the prefix")
        check("Desktops" in (work / "user.reg").read_text(errors="replace"), "desktop keys not stored")
        (work / ".velmora-ready").write_text(TEMPLATE_VERSION + "\n")
        work.rename(TEMPLATE)
        log(f"template ready in {time.time() - started:.1f} s")


# ------------------------------------------------------------------ driver answers


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            out.append({"t": "\t", "r": "\r", "n": "\n", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


class MenuItem:
    def __init__(self, line):
        # item I sep|text checked C grayed G hilite H CAPTION
        parts = line.split(" ", 9)
        self.index = int(parts[1])
        self.separator = parts[2] == "sep"
        self.checked = parts[4] == "1"
        self.grayed = parts[6] == "1"
        self.hilite = parts[8] == "1"
        self.caption = unescape(parts[9]) if len(parts) > 9 else ""

    @property
    def shown(self):
        """What the user reads: "-" for a separator line, else the caption."""
        return "-" if self.separator else self.caption

    def __repr__(self):
        return f"<{self.index} {self.shown!r}{' ✓' if self.checked else ''}>"


def caption(w, h, d):
    """A mode item's caption: the depth stands after a TAB, in the menu's second column."""
    return f"{w}x{h}ピクセル\t{d}ビット"


def tip(w, h, d):
    """The tray icon's tooltip for a mode."""
    return f"{w}x{h}ピクセル {d}ビット"


def check_error_box(box, text):
    """A command-line error box: caption "Velmora", one text (exact, or matching a pattern), a stop icon."""
    check(box is not None, "no message box came up")
    check_equal(box["caption"], "Velmora", "caption of the message box")
    check_equal(len(box["texts"]), 1, f"texts in the message box {box['texts']}")
    if isinstance(text, str):
        check_equal(box["texts"][0], text, "text of the message box")
    else:
        check(text.fullmatch(box["texts"][0]) is not None,
              f"text of the message box: {box['texts'][0]!r} does not match {text.pattern!r}")
    check(box["icon"], "the message box shows no (stop) icon")


# ------------------------------------------------------------------ the session


class Session:
    """One test's X server, Wine prefix and processes."""

    def __init__(self, name):
        self.name = name
        self.procs = []
        self.xvfb = None
        self.tmp = None
        self.env = None
        self.log = None

    def __enter__(self):
        require_tools()
        ensure_template()
        try:
            self.tmp = Path(tempfile.mkdtemp(prefix=f"velmora-e2e-{self.name}-"))
            self.prefix = self.tmp / "prefix"
            subprocess.run(["cp", "-a", str(TEMPLATE), str(self.prefix)], check=True)
            self.xvfb, self.display = start_xvfb()
            self.env = base_env(self.prefix, self.display)
            self.log = open(self.tmp / "wine.log", "wb")
        except BaseException:
            self.close()
            raise
        log(f"{self.name}: display :{self.display}, prefix {self.prefix}")
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Stops everything the session started, by process id, and removes its prefix."""
        for proc in self.procs:
            stop(proc)
        if self.env is not None:
            wineserver_kill(self.env)
        if self.tmp is not None:
            kill_prefix_processes(self.prefix)
        stop(self.xvfb)
        if self.log is not None:
            self.log.close()
        if self.tmp is not None:
            shutil.rmtree(self.tmp, ignore_errors=True)
        self.tmp = self.env = self.log = self.xvfb = None

    # -------------------------------------------------------------- programs

    def start(self, *args):
        """Starts Velmora.exe in the background; returns its process."""
        proc = subprocess.Popen([str(LOADER), str(VELMORA), *args], env=self.env, cwd=self.tmp,
                                stdout=self.log, stderr=self.log)
        self.procs.append(proc)
        return proc

    def run_velmora(self, *args, timeout=60):
        """Runs Velmora.exe in the foreground; its exit status."""
        proc = self.start(*args)
        return proc.wait(timeout)

    def driver(self, *args, timeout_ms=15000, expect_rc=0, run_timeout=None):
        """Runs one driver command; its output lines. expect_rc None accepts any exit status. run_timeout:
        seconds the whole command may take (a batch command), by default the driver's timeout plus a minute."""
        cmd = [str(LOADER), str(DRIVER), "--timeout", str(timeout_ms), *map(str, args)]
        res = subprocess.run(cmd, env=self.env, cwd=self.tmp, stdout=subprocess.PIPE, stderr=self.log,
                             timeout=run_timeout or timeout_ms / 1000 + 60)
        lines = res.stdout.decode("utf-8", errors="replace").splitlines()
        self.last_rc = res.returncode
        if expect_rc is not None and res.returncode != expect_rc:
            raise TestFailure(f"driver {' '.join(map(str, args))}: exit {res.returncode}, output {lines}")
        return lines

    def desktop(self):
        """Waits for the virtual desktop and its taskbar; (screen size, taskbar rectangle)."""
        lines = self.driver("desktop", timeout_ms=30000)
        screen = tuple(int(v) for v in lines[0].split()[1:3])
        taskbar = tuple(int(v) for v in lines[1].split()[1:5])
        return screen, taskbar

    def main_window(self, timeout_ms=20000):
        """Velmora's main window: dict with hwnd, visible, pid, rect."""
        parts = self.driver("find", timeout_ms=timeout_ms)[0].split()
        return {"hwnd": parts[1], "visible": parts[3] == "1", "pid": int(parts[5]),
                "rect": tuple(int(v) for v in parts[7:11])}

    def windows(self):
        """Every top-level window of Velmora's process: list of dicts."""
        out = []
        for line in self.driver("windows"):
            p = line.split(" ", 11)
            out.append({"hwnd": p[1], "visible": p[3] == "1", "class": unescape(p[5]),
                        "rect": tuple(int(v) for v in p[7:11]), "title": unescape(p[11]) if len(p) > 11 else ""})
        return out

    def visible_windows(self):
        return [w for w in self.windows() if w["visible"]]

    def alive(self):
        return self.driver("alive", expect_rc=None)[0].startswith("alive 1")

    def wait_gone(self, timeout_ms=10000):
        """True when Velmora's process ended within the time."""
        return self.driver("alive", "--wait-gone", timeout_ms=timeout_ms, expect_rc=None)[0] == "alive 0"

    def menu(self, timeout_ms=15000):
        return [MenuItem(line) for line in self.driver("menu", timeout_ms=timeout_ms) if line.startswith("item ")]

    def choose(self, index):
        return self.driver("choose", index)

    def choose_caption(self, caption):
        items = self.menu()
        for it in items:
            if not it.separator and it.caption == caption:
                return self.choose(it.index)
        raise TestFailure(f"no menu item {caption!r} in {items}")

    def msgbox(self, timeout_ms=15000):
        """The message box Velmora shows, or None: dict with caption, rect, texts (its Static children that
        hold text), icon (whether it shows an icon: its icon control is visible and holds one) and buttons
        (their captions)."""
        lines = self.driver("msgbox", timeout_ms=timeout_ms, expect_rc=None)
        if self.last_rc != 0:
            return None
        box = {"caption": "", "texts": [], "icon": False, "buttons": []}
        images = False
        for line in lines:
            kind, _, rest = line.partition(" ")
            if kind == "caption":
                box["caption"] = unescape(rest)
            elif kind == "rect":
                box["rect"] = tuple(int(v) for v in rest.split())
            elif kind == "icon":
                box["icon"] = box["icon"] or rest.endswith("visible 1")
            elif kind == "icon-image":
                images = images or rest.endswith(" 1")
            elif kind in ("static", "button"):
                text = unescape(rest.partition(" ")[2])
                if kind == "button":
                    box["buttons"].append(text)
                elif text:
                    box["texts"].append(text)
        box["icon"] = box["icon"] and images
        return box

    @contextlib.contextmanager
    def display_changes(self, timeout_ms=60000):
        """Listens for display changes during the block. Yields a list that, after the block, holds one dict
        per change: mode (as announced), current and registry (as read while the change was announced).
        Under Wine a mode set by a program is undone when that program ends, so a program that switches and
        exits at once can only be observed this way."""
        changes = []
        proc = subprocess.Popen([str(LOADER), str(DRIVER), "--timeout", str(timeout_ms), "watch-display"],
                                env=self.env, cwd=self.tmp, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=self.log)
        self.procs.append(proc)
        first = proc.stdout.readline().decode().strip()
        check(first == "ready", f"display watcher did not start: {first!r}")
        yield changes
        time.sleep(0.5)  # a late announcement still gets in
        out = proc.communicate(input=b"", timeout=30)[0].decode().splitlines()
        for line in out:
            p = line.split()
            if p and p[0] == "change":
                changes.append({"mode": tuple(map(int, p[1:4])), "current": tuple(map(int, p[5:8])),
                                "registry": tuple(map(int, p[9:12]))})

    def mode(self):
        """((current w, h, depth), (registry w, h, depth))."""
        lines = self.driver("mode")
        cur = tuple(int(v) for v in lines[0].split()[1:4])
        reg = tuple(int(v) for v in lines[1].split()[1:4])
        return cur, reg

    def modes(self):
        """Every mode the display service lists, in order: (w, h, depth)."""
        return [tuple(int(v) for v in line.split()[2:5]) for line in self.driver("modes")]

    # -------------------------------------------------------------- screen

    def screenshot(self, name, crop=None):
        """Screenshot of the X screen, cropped to (x, y, w, h) if given, saved as artifacts/e2e/NAME.png."""
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        full = self.tmp / f"{name}-full.png"
        subprocess.run(["import", "-display", f":{self.display}", "-window", "root", str(full)], check=True,
                       timeout=30)
        out = ARTIFACTS / f"{name}.png"
        if crop:
            x, y, w, h = crop
            subprocess.run(["convert", str(full), "-crop", f"{w}x{h}+{x}+{y}", "+repage", str(out)], check=True,
                           timeout=30)
        else:
            shutil.copyfile(full, out)
        return out, full

    def pixels(self, png):
        """Image(width, height, rows of RGB tuples) of a PNG, read through ImageMagick's PPM output."""
        data = subprocess.run(["convert", str(png), "ppm:-"], check=True, stdout=subprocess.PIPE,
                              timeout=30).stdout
        return Image.from_ppm(data)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=30)

    def wait_for_icons(self, count=1, timeout=10):
        """The icons in the notification area once there are `count` of them, or what there is when the
        time is up."""
        deadline = time.time() + timeout
        while True:
            icons = self.tray_icons()
            if len(icons) == count or time.time() > deadline:
                return icons
            time.sleep(0.3)

    def tray_icons(self):
        """The icons the notification area shows, as the shell's own records of them:
        list of dicts with rect (screen coordinates, left top right bottom), centre and tip (tooltip text)."""
        icons = []
        for line in self.driver("tray-icons"):
            if not line.startswith("icon "):
                continue
            p = line.split(" ", 5)
            rect = tuple(int(v) for v in p[1:5])
            if rect[2] > rect[0] and rect[3] > rect[1]:  # an icon the shell has hidden has no area
                icons.append({"rect": rect, "centre": ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2),
                              "tip": unescape(p[5]) if len(p) > 5 else ""})
        return icons

    def colours_in(self, png, rect):
        """The number of distinct colours inside rect (left, top, right, bottom) of a screenshot."""
        img = self.pixels(png)
        left, top, right, bottom = rect
        return len({img.at(x, y) for x in range(max(left, 0), min(right, img.width))
                    for y in range(max(top, 0), min(bottom, img.height))})

    def click_tray_icon(self, icon, button=3):
        """A real mouse click on the icon through the X server: mouse 1 left, 3 right."""
        x, y = icon["centre"]
        self.xdotool("mousemove", x, y, "click", button)


class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def from_ppm(cls, data):
        # P6 header: magic, width, height, maxval, each separated by whitespace.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        pos += 1
        check(fields[0] == b"P6" and fields[3] == b"255", "unexpected PPM output")
        return cls(int(fields[1]), int(fields[2]), data[pos:])

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]


# ------------------------------------------------------------------ running tests


def main(tests):
    """Runs the test named on the command line: python3 test_x.py NAME, with tests a dict name -> function."""
    if len(sys.argv) != 2 or sys.argv[1] not in tests:
        print(f"usage: {sys.argv[0]} {{{'|'.join(tests)}}}", file=sys.stderr)
        sys.exit(2)
    name = sys.argv[1]
    started = time.time()
    try:
        tests[name]()
    except TestFailure as e:
        log(f"FAIL {name} after {time.time() - started:.1f} s: {e}")
        sys.exit(1)
    except Exception:
        traceback.print_exc()
        log(f"ERROR {name} after {time.time() - started:.1f} s")
        sys.exit(1)
    log(f"PASS {name} in {time.time() - started:.1f} s")
