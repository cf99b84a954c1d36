"""The harness of the end-to-end tests under Wine (tests/e2e), X11 and GNOME (tests/linux); tests/e2e/README.md
shows a whole test. A session (WineSession, X11Session, GnomeSession) is a private Xvfb, a temporary folder and every process the test
starts, ended by their ids when the block ends. main({name: function}) runs a file's tests."""

import contextlib
import ctypes
import ctypes.util
import functools
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


class TestFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def check_equal(actual, expected, what):
    check(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


def log(*parts):
    print("  ", *parts, flush=True)


def wait_for(probe, timeout=10, what="a condition"):
    """Asks probe() every 0.2 s until it answers a true value, which it returns; fails when the time is up."""
    deadline = time.monotonic() + timeout
    while not (value := probe()):
        check(time.monotonic() < deadline, f"timed out waiting for {what}")
        time.sleep(0.2)
    return value


def stop(proc):
    """Ends one process we started, by its id: SIGTERM, then SIGKILL."""
    proc.terminate()
    with contextlib.suppress(subprocess.TimeoutExpired):
        return proc.wait(5)
    proc.kill()
    proc.wait()


# The standard Windows 16-colour palette in index order: the program icon's colours.
WINDOWS_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]  # fmt: skip


def check_icon(image, size):
    """Checks an image file ImageMagick reads against the program icon's art (platform/win32/res) at that size,
    scaled up from the largest art that divides it: its pixels in the Windows palette, transparent where the
    art is (where only alpha 0 is asked)."""
    sys.path.insert(0, str(REPO / "tools"))
    from make_icon import parse_art

    arts = {art.size: art.pixels for art in parse_art((REPO / "platform/win32/res/velmora_icon.txt").read_text())}
    source = max(s for s in arts if size % s == 0)
    raw = subprocess.run(["convert", image, "-depth", "8", "rgba:-"], capture_output=True, timeout=30).stdout
    check_equal(len(raw), size * size * 4, f"bytes of the {size}x{size} icon")
    for i in range(size * size):
        index = arts[source][i // size * source // size][i % size * source // size]
        want = (0,) if index is None else WINDOWS_16[index] + (255,)
        check(tuple(raw[4 * i + 4 - len(want): 4 * i + 4]) == want, f"{size}x{size} icon, pixel {i}")


def source_date():
    """The date the release artefacts carry, as the build finds it (cmake/source_date.cmake)."""
    return int(subprocess.run(["cmake", "-P", REPO / "cmake/source_date.cmake"], capture_output=True, check=True,
                              timeout=30).stdout)


def check_no_build_path(name, data):
    """No byte of an artefact names the folder it was built in (the checkout, and the build folders in it)."""
    check(os.fsencode(REPO) not in data, f"{name} holds the build path {REPO}")


# The items below the modes in the tray menu, on both platforms.
MENU_COMMANDS = ["-", "スクリーンセーバ起動", "スクリーンセーバを無効にする", "-", "画面のプロパティを開く", "バージョン情報",
                 "-", "終了"]


def selectable(items):
    """The menu items a Down press reaches ("-" for a separator and "* " before the ticked caption dropped)."""
    return [item.removeprefix("* ") for item in items if item != "-"]


class Session:
    """Xvfb, a temporary folder and the processes of one test; see WineSession and X11Session."""

    kind, depth = "e2e", 24

    def __init__(self, name):
        self.name, self.procs = name, []

    def __enter__(self):
        self.tmp = Path(tempfile.mkdtemp(prefix=f"velmora-{self.name}-"))
        try:
            read_fd, write_fd = os.pipe()
            self.procs.append(subprocess.Popen(self.server(write_fd), pass_fds=(write_fd,), stderr=subprocess.DEVNULL))
            os.close(write_fd)
            with os.fdopen(read_fd) as f:
                self.display = f":{f.readline().strip()}"
            check(self.display != ":", "Xvfb did not report a display")
            self.log = open(self.tmp / "programs.log", "wb")
            self.setup()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        """Ends every process of the session by its id, the X server last, and removes the folder."""
        for proc in reversed(self.procs):
            stop(proc)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def server(self, write_fd):
        """The X server's command line; the server writes its display number to write_fd."""
        return ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"1280x1024x{self.depth}", "-nolisten", "tcp",
                "-noreset"]

    def setup(self):
        pass

    def env(self, **extra):
        return {**os.environ, "DISPLAY": self.display, **extra}

    def spawn(self, cmd, env=None, **kw):
        """Starts a process of the test; it is ended with the session."""
        self.procs.append(subprocess.Popen(list(map(str, cmd)), env=env or self.env(), stderr=self.log,
                                           **{"stdout": self.log, "cwd": self.tmp, **kw}))
        return self.procs[-1]

    def run(self, *cmd):
        """Runs a tool to its end; its standard output. A failure of the tool fails the test."""
        res = subprocess.run(list(map(str, cmd)), env=self.env(), capture_output=True, timeout=60)
        check(res.returncode == 0, f"{' '.join(map(str, cmd))}: exit {res.returncode} {res.stderr[-300:]!r}")
        return res.stdout.decode("utf-8", errors="replace")

    def xdotool(self, *args):
        return self.run("xdotool", *args)

    def gdbus(self, dest, path, method, *args):
        return self.run("gdbus", "call", "--session", "--dest", dest, "--object-path", path, "--method", method,
                        "--", *args).strip()

    def start_bus(self, name):
        """A D-Bus daemon of the session's own, listening at tmp/NAME."""
        self.spawn(["dbus-daemon", "--session", "--nofork", f"--address=unix:path={self.tmp / name}"])
        wait_for(lambda: (self.tmp / name).exists(), 10, f"the bus at {name}")

    def pid_of(self, name):
        """The id of the process that owns the bus name; None once nobody does."""
        res = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path", "/",
                              "--method", "org.freedesktop.DBus.GetConnectionUnixProcessID", name], env=self.env(),
                             capture_output=True, text=True)
        found = re.search(r"uint32 (\d+)", res.stdout)
        return int(found[1]) if found else None

    def owned(self, name):
        res = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path", "/",
                              "--method", "org.freedesktop.DBus.NameHasOwner", name], env=self.env(),
                             capture_output=True, text=True)
        return "true" in res.stdout

    def screenshot(self, name, crop=None):
        """The X screen, cropped to (x, y, w, h) if given, saved as artifacts/<kind>/NAME.png; its path."""
        out = REPO / "artifacts" / self.kind / f"{name}.png"
        out.parent.mkdir(parents=True, exist_ok=True)
        crop = ["-crop", "%dx%d+%d+%d" % (*crop[2:], *crop[:2]), "+repage"] if crop else []
        self.run("import", "-window", "root", *crop, out)
        return out

    def changed(self, before, after, skip_top=0):
        """(x, y, w, h) of what differs between two screenshots below the top skip_top rows; None if nothing."""
        out = self.run("convert", before, after, "-compose", "difference", "-composite", "-threshold", "0", "-fill",
                       "black", "-draw", f"rectangle 0,0,10000,{skip_top - 1}", "-format", "%@", "info:")
        w, h, x, y = map(int, re.findall(r"\d+", out))
        return (x, y, w, h) if w > 1 and h > 1 else None

    def colours(self, png):
        """How many pixels of each (r, g, b) colour an image holds."""
        out = self.run("convert", png, "-format", "%c", "histogram:info:-")
        return {tuple(map(int, m[1:])): int(m[0])
                for m in re.findall(r"^\s*(\d+):\s*\(\s*(\d+),\s*(\d+),\s*(\d+)", out, re.M)}


# ------------------------------------------------------------------ Velmora.exe under Wine

sys.path.insert(0, str(REPO / "scripts"))
import wine_prefix  # noqa: E402


@functools.cache
def wine_arch():
    """One architecture per run: a prefix of the exe's own architecture, its loader, its build (Velmora.exe, the
    driver and menuspy.dll). The 32-bit build, the one users get first, wherever the kernel runs 32-bit code;
    VELMORA_WINE_ARCH=win32|win64 chooses. Asked of Wine when the first Wine session starts."""
    return os.environ.get("VELMORA_WINE_ARCH") or (
        "win32" if (REPO / "build/win32/Velmora.exe").exists() and wine_prefix.runs_32_bit_code() else "win64")


class WineSession(Session):
    """Velmora.exe of the build (self.build) in a copy of the prefix template, driven by velmora_driver.exe
    (tests/driver); in the Japanese locale unless another is given (wine_prefix.ENGLISH)."""

    def __init__(self, name, locale=wine_prefix.JAPANESE):
        super().__init__(name)
        self.locale = locale

    def setup(self):
        self.arch = wine_arch()
        self.loader, self.build = wine_prefix.LOADERS[self.arch], REPO / "build" / self.arch
        self.prefix, template = self.tmp / "prefix", REPO / "build" / f"wineprefix-{self.arch}"
        self.wine_env = wine_prefix.environment(self.env(), self.prefix, self.arch, self.locale)
        wine_prefix.make({**self.wine_env, "WINEPREFIX": str(template)})  # once; every test copies it
        subprocess.run(["cp", "-a", template, self.prefix], check=True)
        log(f"{self.name}: {self.arch}, {self.locale}, display {self.display}")

    def wine_processes(self):
        """{id: command line} of the processes running in the test's prefix."""
        return wine_prefix.processes(self.prefix)

    def __exit__(self, *exc):
        if hasattr(self, "wine_env"):
            wine_prefix.end(self.wine_env)
        super().__exit__()

    def start(self, *args, cwd=None, exe=None):
        """Starts Velmora.exe (of the build unless given) with these arguments; its process (the Wine process that
        runs it)."""
        return self.spawn([self.loader, exe or self.build / "Velmora.exe", *args], env=self.wine_env,
                          cwd=cwd or self.tmp)

    def driver(self, *args, ok=True, timeout=60):
        """One driver command (see tests/driver/velmora_driver.cpp); what it printed, read as JSON (None when it
        printed nothing). ok=False accepts any exit status (kept in self.rc)."""
        res = subprocess.run([self.loader, self.build / "velmora_driver.exe", *map(str, args)], env=self.wine_env,
                             cwd=self.tmp, stdout=subprocess.PIPE, stderr=self.log, timeout=timeout)
        self.rc, out = res.returncode, res.stdout.decode()
        check(not ok or self.rc == 0, f"driver {' '.join(map(str, args))}: exit {self.rc}, output {out}")
        return json.loads(out) if out.strip() else None

    def resident(self, **start):
        """Starts Velmora.exe without arguments and waits for its one tray icon; (process, icon)."""
        proc = self.start(**start)
        return proc, wait_for(self.icons, 20, "the tray icon")[0]

    def menu(self):
        """The items of the open popup menu: "-" for a separator, "* " before the ticked item's caption."""
        return self.driver("menu")["menu"]

    def click(self, icon, button=3):
        """A real click through the X server on the icon: button 1 left, 3 right."""
        l, t, r, b = icon["rect"]
        self.xdotool("mousemove", (l + r) // 2, (t + b) // 2, "click", button)

    def choose(self, text):
        """Chooses the item of the open popup whose caption starts with text, with Down presses and Enter."""
        items = self.menu()
        hits = [i for i, c in enumerate(selectable(items)) if c.startswith(text)]
        check(len(hits) == 1, f"no item {text!r} in {items}")
        self.driver("keys", *["down"] * (hits[0] + 1), "return")

    def icons(self):
        """The notification area's icons as the shell keeps them ({"rect", "tip"}), but hidden ones (no area); none
        while the shell is still starting and its spy reports nothing."""
        shown = self.driver("tray-icons") or {"icons": []}
        return [icon for icon in shown["icons"] if icon["rect"][2] > icon["rect"][0]]

    def msgbox(self):
        """Velmora's message box: {"caption", "rect", "icon", "texts", "buttons"}; None if none comes."""
        box = self.driver("msgbox", ok=False)
        return None if self.rc else box

    def mode(self):
        """((w, h, d) in force, (w, h, d) stored)."""
        return tuple(map(tuple, self.driver("mode")))


# ------------------------------------------------------------------ the X11 velmora

LINUX_BUILD = Path(os.environ.get("VELMORA_LINUX_BUILD") or REPO / "build/linux")  # set by each build's CTest
VELMORA = LINUX_BUILD / "platform/linux/velmora"


class X11Session(Session):
    """Xvfb with RandR and the given modes added to its output, a tray host (trayer) unless tray=False, and
    velmora run with tests/linux/menu_reader.so preloaded. Screenshots go to artifacts/linux, or artifacts/linux-asan
    from the sanitizer build, whose tests may run at the same time."""

    kind = LINUX_BUILD.name

    def __init__(self, name, modes=(), current=None, tray=True, depth=24):
        super().__init__(name)
        self.modes, self.current, self.tray, self.depth = modes, current, tray, depth

    def setup(self):
        for name in self.modes:  # "WxH" or "WxH_RATE"; Xvfb minds the timings only for the rate they make
            w, h, rate = [*map(int, re.findall(r"\d+", name)), 60][:3]
            self.run("xrandr", "--newmode", name, (w + 3) * (h + 3) * rate / 1e6, w, w + 1, w + 2, w + 3, h, h + 1,
                     h + 2, h + 3)
            self.run("xrandr", "--addmode", "screen", name)
        if self.current:
            self.run("xrandr", "--output", "screen", "--mode", self.current)
        if self.tray:
            self.start_tray()

    def env(self, **extra):
        # The XEmbed tray, not a desktop's StatusNotifier host; the C locale, so that only the program's texts
        # are Japanese.
        env = {**os.environ, "DISPLAY": self.display, "XDG_RUNTIME_DIR": str(self.tmp), "LC_ALL": "C.UTF-8",
               "XDG_CONFIG_HOME": str(self.tmp / "home/.config"),
               "VELMORA_READER_REQUEST": str(self.tmp / "reader"), **extra}
        for name in ("XDG_CURRENT_DESKTOP", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        return env

    def start_tray(self):
        self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                    "--transparent", "false", "--tint", "0xd4d0c8", "--SetDockType", "true"])
        wait_for(lambda: self.shown("trayer"), 10, "the tray host")

    def start(self, *args, command=None, **env):
        """Starts velmora (or `command`, which finds the build's velmora first on PATH) with the reader preloaded;
        its process."""
        env = self.env(**{"LD_PRELOAD": str(LINUX_BUILD / "menu_reader.so"), **env})
        env["PATH"] = f"{VELMORA.parent}:{env['PATH']}"
        self.velmora = self.spawn(command or [VELMORA, *args], env=env)
        return self.velmora

    def autostart(self):
        """Starts velmora as a log-in does, from the autostart entry README has the user copy into
        ~/.config/autostart (the package's menu entry); its process."""
        folder = self.tmp / "home/.config/autostart"
        if not folder.exists():
            folder.mkdir(parents=True)
            shutil.copy(REPO / "platform/linux/package/velmora.desktop", folder)
        return self.start(command=shlex.split(re.search(r"^Exec=(.+)$", (folder / "velmora.desktop").read_text(),
                                                        re.M)[1]))

    def run_velmora(self, *args, env=None):
        """Runs velmora to its end: (exit status, standard error)."""
        res = subprocess.run([str(VELMORA), *args], env=env or self.env(), capture_output=True, text=True, timeout=20)
        return res.returncode, res.stderr

    def ask(self):
        """Asks the reader inside velmora for what it shows: {"menu", "tip", "box"}, {} once velmora has ended."""
        request, answer = self.tmp / "reader", self.tmp / "reader.out"
        request.touch()
        wait_for(lambda: answer.exists() or self.velmora.poll() is not None, 5, "the reader's answer")
        if not answer.exists():  # velmora has ended
            return {}
        shown = json.loads(answer.read_text(encoding="utf-8"))
        answer.unlink()
        return shown

    def read(self):
        """(menu items, tray tooltip or None)."""
        shown = self.ask()
        return shown.get("menu", []), shown.get("tip")

    def shown(self, cls="velmora"):
        """(id, x, y, width, height) of every viewable window of that class."""
        res = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", cls], env=self.env(),
                             capture_output=True, text=True)
        found = []
        for wid in res.stdout.split():
            # A window may close between the search and this question: it is then no longer shown.
            geo = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], env=self.env(),
                                 capture_output=True, text=True)
            geometry = dict(re.findall(r"(\w+)=(-?\d+)", geo.stdout))
            if geo.returncode == 0 and "WINDOW" in geometry:
                found.append(tuple(int(geometry[k]) for k in ("WINDOW", "X", "Y", "WIDTH", "HEIGHT")))
        return found

    def icon(self):
        """velmora's icon window in the tray, or None."""
        return next((w for w in self.shown() if w[3] <= 64 and w[4] <= 64 and w[1] >= 0), None)

    def open_menu(self, button=1):
        """Clicks the tray icon and waits for the popup; its items."""
        icon = wait_for(self.icon, 15, "the tray icon")
        for _ in range(3):  # a click in the moment a popup closes is lost
            self.xdotool("mousemove", icon[1] + icon[3] // 2, icon[2] + icon[4] // 2, "click", button)
            with contextlib.suppress(TestFailure):
                return wait_for(lambda: self.read()[0], 3, "the popup menu")
        raise TestFailure("the popup menu did not open")

    def choose(self, text):
        self.xdotool("key", *["Down"] * (selectable(self.open_menu()).index(text) + 1), "Return")
        wait_for(lambda: not self.read()[0], 10, "the menu to close")

    def current_mode(self):
        return tuple(map(int, re.search(r"current (\d+) x (\d+)", self.run("xrandr")).groups()))

    def current_mode_name(self):
        """The RandR name of the mode the output shows, such as "1280x1024_60"."""
        return re.search(r"^\s+(\S+) \(0x[0-9a-f]+\).*\*current", self.run("xrandr", "--verbose"), re.M)[1]

    def __exit__(self, *exc):
        if hasattr(self, "dpy"):
            self.x11.XCloseDisplay(self.dpy)
        super().__exit__()

    def xlib(self):
        """libX11 and a connection of the test's own to its X server (closed with the session)."""
        if not hasattr(self, "x11"):
            self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
            self.x11.XOpenDisplay.restype = ctypes.c_void_p
            self.x11.XDefaultRootWindow.restype = self.x11.XInternAtom.restype = ctypes.c_ulong
            self.dpy = ctypes.c_void_p(self.x11.XOpenDisplay(self.display.encode()))
        return self.x11, self.dpy

    def screen_saver_on(self):
        """Whether the X server's screen saver is on (XScreenSaverQueryInfo)."""
        x11, dpy = self.xlib()
        info = (ctypes.c_long * 8)()  # XScreenSaverInfo: window, then the int state (1: ScreenSaverOn)
        ctypes.CDLL(ctypes.util.find_library("Xss")).XScreenSaverQueryInfo(
            dpy, ctypes.c_ulong(x11.XDefaultRootWindow(dpy)), info)
        return ctypes.cast(info, ctypes.POINTER(ctypes.c_int))[2] == 1

    def close_request(self, window):
        """What a window manager sends for the close box: the client message WM_PROTOCOLS / WM_DELETE_WINDOW."""
        x11, dpy = self.xlib()
        # XClientMessageEvent: type, serial, send_event, display, window, message_type, format, data.l[5]
        event = (ctypes.c_long * 24)(33, 0, 0, 0, window, x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0), 32,
                                     x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0))
        x11.XSendEvent(dpy, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        x11.XSync(dpy, 0)


class NotifierHost:
    """A session whose panel shows velmora's icon as a StatusNotifierItem: the test reads and clicks its menu over
    D-Bus as the panel does (com.canonical.dbusmenu)."""

    def start_host(self):
        """A bare StatusNotifierWatcher, and a host registered with it."""
        self.spawn(["status-notifier-watcher"])
        wait_for(lambda: self.owned("org.kde.StatusNotifierWatcher"), 10, "the StatusNotifierWatcher")
        self.gdbus("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                   "org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost", "org.kde.StatusNotifierHost-velmora")

    def find_item(self):
        """Waits for velmora's StatusNotifierItem; its bus name."""
        self.item = wait_for(lambda: re.findall(r"'([^'@]+)", self.gdbus(
            "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
            "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems")), 20, "the StatusNotifierItem")[0]
        return self.item

    def menu_items(self, about_to_show=True):
        """The item's menu as a panel reads it (AboutToShow, unless the panel has just asked itself, then GetLayout):
        [(id, caption)], caption "-" for a separator and "* " before a ticked one."""
        if about_to_show:
            self.gdbus(self.item, "/MenuBar", "com.canonical.dbusmenu.AboutToShow", "0")
        items = []
        for number, props in re.findall(r"<\((\d+), \{(.*?)\}, @av \[\]\)>",
                                         self.gdbus(self.item, "/MenuBar", "com.canonical.dbusmenu.GetLayout", "0",
                                                    "-1", "[]")):
            label = re.search(r"'label': <'(.*?)'>", props)
            caption = label[1].replace("\\t", "\t") if label else "-"
            items.append((int(number), ("* " if "'toggle-state': <1>" in props else "") + caption))
        return items

    def menu(self):
        return [caption for _, caption in self.menu_items()]

    def choose(self, text):
        """Clicks the menu item of that caption, as a panel does (Event "clicked")."""
        number = next(n for n, caption in self.menu_items() if caption.removeprefix("* ") == text)
        self.gdbus(self.item, "/MenuBar", "com.canonical.dbusmenu.Event", str(number), "clicked", "<0>", "0")

    def tip(self):
        """The item's tooltip text."""
        return re.search(r"\[\], '(.*?)', ''\)", self.gdbus(
            self.item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierItem",
            "ToolTip"))[1]


class XorgSession(X11Session):
    """A real Xorg server with the dummy video driver: outputs DUMMY0 (the primary) to DUMMY15, each of `outputs`
    ("NAME WxH+X+Y") shown at that size and place, the others off; no tray."""

    def __init__(self, name, outputs):
        super().__init__(name, tray=False)
        self.outputs = outputs

    def server(self, write_fd):
        return ["Xorg", "-displayfd", str(write_fd), "-config", str(REPO / "tests/linux/xorg-dummy.conf"), "-noreset",
                "-nolisten", "tcp", "-logfile", str(self.tmp / "xorg.log"), "-novtswitch", "-sharevts"]

    def setup(self):
        for output in self.outputs:
            name, mode, x, y = re.fullmatch(r"(\w+) (\d+x\d+)\+(\d+)\+(\d+)", output).groups()
            if name != "DUMMY0":
                self.run("xrandr", "--addmode", name, mode)
            self.run("xrandr", "--output", name, "--mode", mode, "--pos", f"{x}x{y}")
        self.run("xrandr", "--output", "DUMMY0", "--primary")

    def layout(self):
        """"NAME WxH+X+Y" of every output that shows something, and the screen's "WxH" last."""
        shown = self.run("xrandr")
        outputs = re.findall(r"^(\w+) connected (?:primary )?(\d+x\d+\+\d+\+\d+)", shown, re.M)
        screen = "x".join(re.findall(r"current (\d+) x (\d+)", shown)[0])
        return [f"{name} {place}" for name, place in outputs] + [screen]


def display_state(state):
    """The configuration a display-configuration service reports (GetCurrentState as gdbus prints it):
    "CONNECTOR@x,y*scale=MODE" per logical monitor (its mirrors follow as "+CONNECTOR=MODE"), then "layout N" (the
    layout mode)."""
    heads = list(re.finditer(r"\(\('([\w-]+)', '[^']*', '[^']*', '[^']*'\), \[", state))
    shown = {}
    for head, end in zip(heads, [h.start() for h in heads[1:]] + [len(state)]):
        found = re.search(r"\('([^']+)', \d+, \d+, [\d.]+, [\d.]+, \[[^\]]*\], \{'is-current'",
                          state[head.end():end])
        shown[head[1]] = found[1] if found else None
    logical = []
    for x, y, scale, body in re.findall(r"\((\d+), (\d+), ([\d.]+), (?:uint32 )?\d+, (?:true|false), \[(\('[^]]*)\]",
                                        state):
        names = re.findall(r"\('([\w-]+)', '[^']*', '[^']*', '[^']*'\)", body)
        logical.append(f"{names[0]}@{x},{y}*{float(scale):g}=" + "+".join(
            (f"{n}=" if i else "") + str(shown.get(n)) for i, n in enumerate(names)))
    return " ".join(logical) + " layout " + re.search(r"'layout-mode': <uint32 (\d)>", state)[1]


class DesktopSession(NotifierHost, XorgSession):
    """A desktop's settings daemon on the Xorg server, in a session bus and HOME of their own, with a panel's
    StatusNotifierItem host unless tray=False; velmora runs as on that desktop (XDG_CURRENT_DESKTOP; "" for a
    window manager without a display daemon, where none runs). The daemon applies the desktop's stored display
    configuration as it starts (at log-in): xfsettingsd from Xfce's store (xfconfd, started on the session bus
    when first asked), mate-settings-daemon from ~/.config/monitors.xml, Cinnamon's window manager muffin from
    ~/.config/cinnamon-monitors.xml."""

    DAEMONS = {"XFCE": (["xfsettingsd", "--replace", "--no-daemon"], "org.xfce.SettingsDaemon"),
               "MATE": (["mate-settings-daemon"], "org.mate.SettingsDaemon"),
               "X-Cinnamon": (["muffin", "--replace"], "org.cinnamon.Muffin.DisplayConfig")}

    def __init__(self, name, outputs, desktop, tray=True):
        super().__init__(name, outputs)
        self.desktop, self.kind, self.with_tray = desktop, desktop.lower() or "plain", tray

    def setup(self):
        super().setup()
        (self.tmp / "home/.config").mkdir(parents=True)
        self.start_bus("bus")
        if self.with_tray:
            self.start_host()

    def start(self, *args, **env):
        proc = super().start(*args, **env)
        if self.with_tray:
            self.find_item()
        return proc

    def env(self, **extra):
        return {**super().env(), "HOME": str(self.tmp / "home"),
                "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp / 'bus'}", "XDG_CURRENT_DESKTOP": self.desktop, **extra}

    def start_settings(self):
        command, name = self.DAEMONS[self.desktop]
        self.settings = self.spawn(command)
        wait_for(lambda: self.owned(name), 30, command[0])

    def displays(self, prop):
        """A property of Xfce's channel "displays"; None where it does not exist."""
        res = subprocess.run(["xfconf-query", "-c", "displays", "-p", prop], env=self.env(), capture_output=True,
                             text=True)
        return res.stdout.strip() if res.returncode == 0 else None


class CinnamonSession(DesktopSession):
    """Cinnamon's window manager, muffin, as the session's daemon (see DesktopSession), started with the session;
    a tray host only where tray=True."""

    service = DesktopSession.DAEMONS["X-Cinnamon"][1], "/org/cinnamon/Muffin/DisplayConfig"

    def __init__(self, name, outputs, tray=False):
        super().__init__(name, outputs, "X-Cinnamon", tray)
        self.kind = "cinnamon"

    def setup(self):
        # muffin asks whether to keep a configuration with zenity; this one waits for the test's answer.
        (self.tmp / "bin").mkdir()
        (self.tmp / "bin/zenity").write_text(f"""#!/bin/sh
echo "$*" > {self.tmp / 'asked'}
for i in $(seq 200); do [ -f {self.tmp / 'answer'} ] && exit "$(cat {self.tmp / 'answer'})"; sleep 0.1; done
exit 5
""")
        (self.tmp / "bin/zenity").chmod(0o755)
        super().setup()
        self.start_settings()

    def env(self, **extra):
        return super().env(PATH=f"{self.tmp / 'bin'}:{os.environ['PATH']}", **extra)

    def display_config(self, method, *args):
        return self.gdbus(*self.service, f"{self.service[0]}.{method}", *args)

    def state(self):
        return display_state(self.display_config("GetCurrentState"))

    def start_shell(self):
        """Stands in for Cinnamon's shell, which asks the user to keep a configuration: its bus name only."""
        self.spawn(["/usr/bin/python3", "-c", "from gi.repository import Gio, GLib; Gio.bus_own_name("
                    "Gio.BusType.SESSION, 'org.Cinnamon', 0, None, None, None); GLib.MainLoop().run()"])
        wait_for(lambda: self.owned("org.Cinnamon"), 10, "the stand-in for Cinnamon")

    def keep(self, answer=0):
        """Answers the question muffin asks (0: keep the configuration); what it asked."""
        asked = wait_for(lambda: (self.tmp / "asked").exists() and (self.tmp / "asked").read_text(), 10, "the question")
        (self.tmp / "answer").write_text(str(answer))
        return asked


class KdeSession(DesktopSession):
    """KDE's display daemon (KScreen, a module of kded5) as the session's daemon (see DesktopSession): it applies
    the configuration it stored for these outputs as it starts, else its own ideal one, and stores every change
    of the outputs. It waits for the machine's power service (UPower, on the system bus) to tell it whether this
    is a laptop: a stand-in on a system bus of the session's own says it is not."""

    UPOWER = ("from gi.repository import Gio, GLib\n"
              "xml = \"<node><interface name='org.freedesktop.UPower'><property name='LidIsPresent' type='b' "
              "access='read'/><property name='LidIsClosed' type='b' access='read'/></interface></node>\"\n"
              "Gio.bus_own_name(Gio.BusType.SYSTEM, 'org.freedesktop.UPower', 0, lambda c, n: c.register_object("
              "'/org/freedesktop/UPower', Gio.DBusNodeInfo.new_for_xml(xml).interfaces[0], None, "
              "lambda *a: GLib.Variant('b', False), None), None, None)\nGLib.MainLoop().run()")

    def __init__(self, name, outputs):
        super().__init__(name, outputs, "KDE")

    def setup(self):
        super().setup()
        self.start_bus("sysbus")
        self.spawn(["/usr/bin/python3", "-c", self.UPOWER])

    def env(self, **extra):
        return super().env(DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.tmp / 'sysbus'}", **extra)

    def start_settings(self):
        """kded5 with KScreen's module, as Plasma loads it at log-in; returns once KScreen has applied its
        configuration and stored what it then sees, as it does at every start."""
        written = lambda: max((f.stat().st_mtime_ns for f in self.store().rglob("*")), default=0)  # noqa: E731
        before = written()
        if self.owned("org.kde.KScreen"):  # its backend, started over the bus, ends with the last log-in's session
            os.kill(self.pid_of("org.kde.KScreen"), 15)
            wait_for(lambda: not self.owned("org.kde.KScreen"), 10, "the end of KScreen's backend")
        self.settings = self.spawn(["kded5"])
        wait_for(lambda: self.owned("org.kde.kded5"), 30, "kded5")
        self.gdbus("org.kde.kded5", "/kded", "org.kde.kded5.loadModule", "kscreen")
        wait_for(lambda: written() > before, 10, "KScreen's start")

    def store(self):
        return self.tmp / "home/.local/share/kscreen"

    def stored(self):
        """Every file of KScreen's store: {path in the store: contents}."""
        return {str(f.relative_to(self.store())): f.read_text() for f in self.store().rglob("*") if f.is_file()}


# ------------------------------------------------------------------ velmora on GNOME (Wayland)

# The modes of every dummy monitor: four modes, three sizes.
GNOME_MODES = "1280x1024@60:1280x1024@75:1024x768@60:800x600@60"


class GnomeSession(NotifierHost, X11Session):
    """A GNOME session nested on the Xvfb, Wayland only: private HOME (with .config), XDG_RUNTIME_DIR, session
    bus and, for GNOME Shell, system bus; GNOME Shell (shell=True) with its AppIndicator extension showing tray
    icons in its panel, or plain mutter with that many dummy monitors and a bare StatusNotifierWatcher with a host
    registered. velmora's icon is a StatusNotifierItem whose menu the test reads and clicks over D-Bus as the
    panel does. velmora runs as a Wayland client with the reader preloaded and no DISPLAY."""

    kind = "gnome"

    def __init__(self, name, shell=True, monitors=1, host=True, modes=GNOME_MODES, scales=None, fractional=False,
                 dbus_config=True):
        """modes: MUTTER_DEBUG_DUMMY_MODE_SPECS; scales: each monitor's, "2" or "1.5,1"; fractional: mutter's
        fractional scaling (the logical layout mode) switched on; dbus_config=False: a system policy that refuses
        every configuration applied over D-Bus."""
        super().__init__(name, tray=False)
        self.shell, self.monitors, self.host = shell, monitors, host
        self.mutter_env = {"MUTTER_DEBUG_DUMMY_MODE_SPECS": modes, "MUTTER_DEBUG_DUMMY_MONITOR_SCALES": scales,
                           "MUTTER_DEBUG_NUM_DUMMY_MONITORS": str(monitors), "LIBGL_ALWAYS_SOFTWARE": "1"}
        self.fractional, self.dbus_config = fractional, dbus_config

    def setup(self):
        (self.tmp / "home/.config").mkdir(parents=True)
        (self.tmp / "run").mkdir(mode=0o700)
        for bus in ("sysbus", "bus") if self.shell else ("bus",):  # GNOME Shell's login code needs a system bus
            self.start_bus(bus)
        if self.shell and self.host:
            self.run("gsettings", "set", "org.gnome.shell", "enabled-extensions", "['ubuntu-appindicators@ubuntu.com']")
        if self.fractional:
            self.run("gsettings", "set", "org.gnome.mutter", "experimental-features", "['scale-monitor-framebuffer']")
        if not self.dbus_config:
            (self.tmp / "xdg").mkdir()
            (self.tmp / "xdg/monitors.xml").write_text('<monitors version="2"><policy><dbus>no</dbus></policy></monitors>')
            self.mutter_env["XDG_CONFIG_DIRS"] = str(self.tmp / "xdg")
        self.spawn(["gnome-shell" if self.shell else "mutter", "--nested", "--wayland", "--no-x11",
                    "--wayland-display=velmora-wl"], env=self.env(**self.mutter_env))
        for name in ("org.gnome.Shell",) * self.shell + ("org.gnome.Mutter.DisplayConfig",):
            wait_for(lambda: self.owned(name), 30, name)
        if self.shell and self.host:
            wait_for(lambda: self.owned("org.kde.StatusNotifierWatcher"), 10, "the AppIndicator extension")
        elif self.host:
            self.start_host()

    def env(self, **extra):
        """The session's environment; DISPLAY=None leaves the Xvfb out (velmora's own environment)."""
        env = {**super().env(), "HOME": str(self.tmp / "home"), "XDG_RUNTIME_DIR": str(self.tmp / "run"),
               "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.tmp / 'bus'}", "WAYLAND_DISPLAY": "velmora-wl",
               "DBUS_SYSTEM_BUS_ADDRESS": f"unix:path={self.tmp / 'sysbus'}", "XDG_SESSION_TYPE": "wayland",
               "XDG_CURRENT_DESKTOP": "GNOME", **extra}
        return {k: v for k, v in env.items() if v is not None}

    def start(self, *args, **env):
        """Starts velmora as a Wayland client and waits for its StatusNotifierItem; its process. In a session
        without a host (host=False) the host starts a second later, as a panel started after velmora would."""
        proc = super().start(*args, DISPLAY=None, **env)
        if not self.host and self.shell:  # GNOME Shell without its tray extension: nothing shows the icon
            return proc
        if not self.host:
            wait_for(lambda: b"no system tray" in (self.tmp / "programs.log").read_bytes(), 10, "velmora to miss a host")
            before = self.connections(proc.pid)
            self.start_host()
        self.find_item()
        if not self.host:  # the same process on a bus connection of its own: started afresh
            check(self.item not in before and self.item in self.connections(proc.pid), f"no restart: {before}")
        return proc

    def connections(self, pid):
        """The unique names on the session bus of the process with that id."""
        names = re.findall(r"'(:[\d.]+)'", self.gdbus("org.freedesktop.DBus", "/", "org.freedesktop.DBus.ListNames"))
        return {n for n in names if self.pid_of(n) == pid}

    def run_velmora(self, *args, env=None):
        return super().run_velmora(*args, env=env or self.env(DISPLAY=None))

    def display_config(self, method, *args):
        return self.gdbus("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                          f"org.gnome.Mutter.DisplayConfig.{method}", *args)

    def current_mode(self):
        """The first monitor's mode now, from mutter: (width, height)."""
        found = re.search(r"'\d+x\d+@[\d.]+', (\d+), (\d+), [^)]*\{'is-current': <true>",
                          self.display_config("GetCurrentState"))
        return tuple(map(int, found.groups()))

    def layout(self):
        return display_state(self.display_config("GetCurrentState"))



# ------------------------------------------------------------------ running tests


def main(tests):
    """Runs the tests whose names contain a word given on the command line (all when none is given)."""
    names = [name for name in tests if not sys.argv[1:] or any(word in name for word in sys.argv[1:])]
    failed = 0
    for name in names:
        started = time.monotonic()
        try:
            tests[name]()
            print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
        except Exception as e:  # a failure of the test or of the harness: both are failures
            failed += 1
            print(f"FAIL {name} ({time.monotonic() - started:.1f} s): {e}", flush=True)
            if not isinstance(e, TestFailure):
                traceback.print_exc()
    print(f"{len(names) - failed} passed, {failed} failed")
    sys.exit(1 if failed or not names else 0)
