"""An X session for the end-to-end tests of the X11 velmora: Xvfb with RandR and extra modes,
a system tray host, the program itself, and the few X queries the tests need.

Every session runs its own Xvfb on a free display number from 80 to 89 and ends every process
it started, by process id.
"""

import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
VELMORA = os.environ.get("VELMORA_BIN", os.path.join(ROOT, "build", "linux", "platform", "linux", "velmora"))
ARTIFACTS = os.path.join(ROOT, "artifacts", "linux")

# Modelines for the modes a test can add to the virtual screen's output.
MODELINES = {
    "640x400": "25.175 640 656 752 800 400 412 414 449 -hsync +vsync",
    "640x480": "25.175 640 656 752 800 480 490 492 525 -hsync -vsync",
    "800x600": "40.000 800 840 968 1056 600 601 605 628 +hsync +vsync",
    "800x600_75": "49.500 800 816 896 1056 600 601 604 625 +hsync +vsync",
    "1024x768": "65.000 1024 1048 1184 1344 768 771 777 806 -hsync -vsync",
    "1280x960": "108.000 1280 1376 1488 1800 960 961 964 1000 +hsync +vsync",
}


class TestFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def wait_for(predicate, timeout=10.0, interval=0.1, what="a condition"):
    """Polls until predicate() returns a true value, which is returned; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure("timed out waiting for " + what)
        time.sleep(interval)


def _free_display():
    for n in range(80, 90):
        if not os.path.exists("/tmp/.X%d-lock" % n) and not os.path.exists("/tmp/.X11-unix/X%d" % n):
            return n
    raise TestFailure("no free X display number between 80 and 89")


class XSession:
    """Xvfb (+RANDR) at `size` and `depth`, with `modes` added to its output in that order."""

    def __init__(self, size="1280x1024", depth=24, modes=(), current=None, tray=True):
        self.size, self.depth, self.modes, self.current, self.tray = size, depth, list(modes), current, tray
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.display = None
        self.velmora = None

    # -- set-up and tear-down ------------------------------------------------------------------
    def __enter__(self):
        for _ in range(5):  # another session may take the number between the test and the start
            n = _free_display()
            log = open(os.path.join(self.tmp, "xvfb.log"), "w")
            proc = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%sx%d" % (self.size, self.depth),
                 "+extension", "RANDR", "-noreset", "-nolisten", "tcp"],
                stdout=log, stderr=subprocess.STDOUT)
            self.display = ":%d" % n
            try:
                wait_for(lambda: proc.poll() is not None or self._x_ready(), 10, what="Xvfb")
            except TestFailure:
                proc.kill()
                raise
            if proc.poll() is None:
                self.procs.append(proc)
                break
        else:
            raise TestFailure("Xvfb did not start")
        for name in self.modes:
            self.xrandr("--newmode", name, *MODELINES[name].split())
            self.xrandr("--addmode", "screen", name)
        if self.current:
            self.xrandr("--output", "screen", "--mode", self.current)
        if self.tray:
            self.start_tray()
        return self

    def __exit__(self, *exc):
        self.stop_velmora()
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    def env(self, **extra):
        env = dict(os.environ)
        env.update(DISPLAY=self.display, XDG_RUNTIME_DIR=self.tmp, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        env.pop("XDG_CURRENT_DESKTOP", None)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # the XEmbed tray, not a desktop's StatusNotifier host
        env.update(extra)
        return env

    def _x_ready(self):
        return subprocess.run(["xdpyinfo"], env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def run(self, *cmd, check_rc=True):
        result = subprocess.run(list(cmd), env=self.env(), capture_output=True, text=True, timeout=30)
        if check_rc and result.returncode != 0:
            raise TestFailure("%s failed: %s" % (" ".join(cmd), result.stderr.strip()))
        return result.stdout

    def xrandr(self, *args):
        return self.run("xrandr", *args)

    def start_tray(self):
        log = open(os.path.join(self.tmp, "trayer.log"), "w")
        proc = subprocess.Popen(
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
             "--transparent", "false", "--tint", "0xd4d0c8", "--SetDockType", "true"],
            env=self.env(), stdout=log, stderr=subprocess.STDOUT)
        self.procs.append(proc)
        wait_for(lambda: self.run("xdotool", "search", "--class", "trayer", check_rc=False).strip(), 10,
                 what="the tray host")

    # -- the program ---------------------------------------------------------------------------
    @property
    def dump_path(self):
        return os.path.join(self.tmp, "menu.txt")

    def run_velmora(self, *args, env=None, timeout=20):
        """Runs velmora to its end; returns (exit status, stderr)."""
        result = subprocess.run([VELMORA, *args], env=env or self.env(), capture_output=True, text=True,
                                timeout=timeout)
        return result.returncode, result.stderr

    def start_velmora(self, *args, **extra_env):
        env = self.env(VELMORA_TEST_MENU_DUMP=self.dump_path, **extra_env)
        self.velmora_log = open(os.path.join(self.tmp, "velmora.log"), "w")
        self.velmora = subprocess.Popen([VELMORA, *args], env=env, stdout=self.velmora_log,
                                        stderr=subprocess.STDOUT)
        return wait_for(self.tray_icon, 15, what="velmora's tray icon")

    def stop_velmora(self):
        if self.velmora and self.velmora.poll() is None:
            self.velmora.kill()
            self.velmora.wait()

    # -- windows -------------------------------------------------------------------------------
    def windows(self, cls="velmora"):
        """(id, x, y, width, height, viewable) of every window of that class."""
        out = self.run("xdotool", "search", "--class", cls, check_rc=False)
        found = []
        for wid in out.split():
            info = self.run("xwininfo", "-id", wid, check_rc=False)
            def field(name):
                m = re.search(r"%s:\s+(-?\d+)" % re.escape(name), info)
                return int(m.group(1)) if m else 0
            found.append((int(wid), field("Absolute upper-left X"), field("Absolute upper-left Y"),
                          field("Width"), field("Height"), "IsViewable" in info))
        return found

    def tray_icon(self):
        """The viewable icon window velmora embedded in the tray, or None."""
        for w in self.windows():
            if w[5] and w[3] <= 64 and w[4] <= 64 and w[1] >= 0:
                return w
        return None

    def about_window(self):
        for w in self.windows():
            if w[3] == 313 and w[4] == 169:
                return w
        return None

    def menu_window(self):
        for w in self.windows():
            if w[5] and w[4] > 100 and not (w[3] == 313 and w[4] == 169):
                return w
        return None

    def click_icon(self, button=1):
        icon = wait_for(self.tray_icon, 10, what="the tray icon")
        x, y = icon[1] + icon[3] // 2, icon[2] + icon[4] // 2
        self.run("xdotool", "mousemove", str(x), str(y), "click", str(button))

    def open_menu(self, button=1):
        """Presses on the tray icon and returns the menu items once the popup is on screen."""
        if os.path.exists(self.dump_path):
            os.remove(self.dump_path)
        self.click_icon(button)
        wait_for(lambda: os.path.exists(self.dump_path), 10, what="the popup menu to open")
        wait_for(self.menu_window, 10, what="the popup menu window")
        time.sleep(0.2)
        return read_menu(self.dump_path)

    def choose(self, items, caption):
        """Walks the open menu with the keyboard to the item with that caption and presses Enter."""
        selectable = [i for i in items if i[0] == "item"]
        index = [i[2] for i in selectable].index(caption)
        self.run("xdotool", "key", *(["Down"] * (index + 1)), "Return")
        wait_for(lambda: not self.menu_window(), 10, what="the menu to close")

    def key(self, *keys):
        self.run("xdotool", "key", *keys)

    def current_mode(self):
        m = re.search(r"current (\d+) x (\d+)", self.xrandr())
        return (int(m.group(1)), int(m.group(2)))

    def listed_modes(self):
        """The output's modes in the order the server lists them: (name, width, height)."""
        modes = []
        for line in self.xrandr("--verbose").splitlines():
            m = re.match(r"\s+(\S+) \(0x[0-9a-f]+\)\s", line)
            if m:
                w, h = re.match(r"(\d+)x(\d+)", m.group(1)).groups()
                modes.append((m.group(1), int(w), int(h)))
        return modes

    def root_bits_per_pixel(self):
        info = self.run("xdpyinfo")
        root_depth = int(re.search(r"depth of root window:\s+(\d+)", info).group(1))
        for d, bpp in re.findall(r"depth (\d+), bits_per_pixel (\d+)", info):
            if int(d) == root_depth:
                return int(bpp)
        raise TestFailure("no pixmap format for the root depth")

    def screenshot(self, path, window=None, crop=None):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        target = str(window) if window else "root"
        cmd = ["import", "-window", target]
        if crop:
            cmd += ["-crop", "%dx%d+%d+%d" % crop, "+repage"]
        self.run(*cmd, path)
        return path

    def pixels(self, path):
        """Counts of (r, g, b) colours in an image, through ImageMagick's histogram."""
        out = self.run("convert", path, "-format", "%c", "histogram:info:-")
        counts = {}
        for line in out.splitlines():
            m = re.match(r"\s*(\d+):\s*\(\s*(\d+),\s*(\d+),\s*(\d+)", line)
            if m:
                counts[tuple(int(v) for v in m.groups()[1:])] = int(m.group(1))
        return counts

    # -- X queries through Xlib ----------------------------------------------------------------
    def screen_saver_active(self):
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        xss = ctypes.cdll.LoadLibrary(ctypes.util.find_library("Xss"))

        class Info(ctypes.Structure):
            _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                        ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong),
                        ("eventMask", ctypes.c_ulong)]
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(Info)]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        dpy = x11.XOpenDisplay(self.display.encode())
        check(dpy, "cannot open " + self.display)
        info = Info()
        xss.XScreenSaverQueryInfo(dpy, x11.XDefaultRootWindow(dpy), ctypes.byref(info))
        x11.XCloseDisplay(dpy)
        return info.state == 1  # ScreenSaverOn

    def send_close_request(self, window):
        """What a window manager sends for the close box: WM_PROTOCOLS / WM_DELETE_WINDOW."""
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                        ("l", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(Event)]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        dpy = x11.XOpenDisplay(self.display.encode())
        ev = Event()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.l[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        ev.xclient.l[1] = 0  # CurrentTime
        x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev))
        x11.XSync(dpy, 0)
        x11.XCloseDisplay(dpy)


def read_menu(path):
    """The dumped menu: ("separator",) or ("item", ticked, caption with a real TAB)."""
    items = []
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line == "separator":
                items.append(("separator",))
            else:
                kind, ticked, caption = line.split(" ", 2)
                items.append((kind, ticked == "1", caption.replace("\\t", "\t")))
    return items


def caption(width, height, depth):
    return "%dx%dピクセル\t%dビット" % (width, height, depth)


COMMANDS = [("separator",), ("item", False, "スクリーンセーバ起動"), ("item", False, "スクリーンセーバを無効にする"),
            ("separator",), ("item", False, "画面のプロパティを開く"), ("item", False, "バージョン情報"),
            ("separator",), ("item", False, "終了")]


def expected_mode_items(listed, depth, current):
    """The mode items the program must show for modes listed in that order, all at one depth:
    heights below 480 dropped, duplicates merged, ordered by width with the program's exchange
    sort (ties between equal widths land where its swaps leave them)."""
    table = []
    for _, w, h in listed:
        if h >= 480 and (w, h) not in table:
            table.append((w, h))
    u = len(table) - 1
    for i in range(u):          # one depth: the depth pass moves nothing
        for j in range(i + 1, u + 1):
            if table[j][0] < table[i][0]:
                table[i], table[j] = table[j], table[i]
    return [("item", (w, h) == current, caption(w, h, depth)) for w, h in table]
