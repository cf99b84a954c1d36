#!/usr/bin/env python3
"""End-to-end tests of what the X11 velmora adds over the shared core: the modes RandR lists and switching
them, the Qt tray and its menu, a tray host that starts late, the About window, the error box, signals, the
desktop's display tool and the screen saver; the Debian package. Run with the linux preset's ctest, or by hand
after building it (words given: only the tests whose names contain one); prints "N passed, M failed"."""

import io
import os
import re
import shutil
import subprocess
import sys
import tarfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import LINUX_BUILD, MENU_COMMANDS, REPO, VELMORA, CinnamonSession, DesktopSession, GnomeSession, KdeSession, X11Session, XorgSession, stop, check, check_equal, check_icon, check_no_build_path, log, main, selectable, source_date, wait_for  # noqa

BUILD = REPO / "build" / "linux"

# Added to the screen's own 1280x1024 in this order: 640x400 is too low for the menu, 800x600_75 is 800x600
# again at another refresh rate.
MODES = ["1024x768", "640x480", "800x600", "640x400", "800x600_75"]
MENU = ["640x480ピクセル\t32ビット", "800x600ピクセル\t32ビット", "* 1024x768ピクセル\t32ビット",
        "1280x1024ピクセル\t32ビット"] + MENU_COMMANDS


def test_menu_and_switch():
    with X11Session("menu", MODES, current="1024x768") as x:
        x.start()
        check_equal(x.open_menu(button=1), MENU, "the menu of the listed modes")
        check_equal(x.read()[1], "1024x768ピクセル 32ビット", "tooltip")
        shot = x.screenshot("menu_open")
        check(x.colours(shot).get((0, 0, 255), 0) > 10, "the tray icon's blue screen is visible")
        x.xdotool("key", "Escape")
        x.choose("800x600ピクセル\t32ビット")
        wait_for(lambda: x.current_mode() == (800, 600), 10, "RandR to report 800x600")
        # A mode set elsewhere: the tooltip names it before the menu is opened again, and it is ticked.
        x.run("xrandr", "--output", "screen", "--mode", "640x480")
        wait_for(lambda: x.read()[1] == "640x480ピクセル 32ビット", 5, "the tooltip to name 640x480")
        ticked = [c for c in x.open_menu(button=3) if c.startswith("*")]
        check_equal(ticked, ["* 640x480ピクセル\t32ビット"], "ticked after a switch elsewhere")
        x.xdotool("key", "Escape")


# Several outputs on a real Xorg server: the outputs before, the switch, then the outputs and the screen after.
MONITORS = [
    ("two in a row, shrink", ["DUMMY0 1920x1080+0+0", "DUMMY1 1920x1080+1920+0"], "/s1024,768,32",
     ["DUMMY0 1024x768+0+0", "DUMMY1 1920x1080+1024+0", "2944x1080"]),
    ("two in a row, grow", ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0"], "/s1920,1080,32",
     ["DUMMY0 1920x1080+0+0", "DUMMY1 1280x1024+1920+0", "3200x1080"]),
    ("three in a row", ["DUMMY0 1280x1024+0+0", "DUMMY1 1024x768+1280+0", "DUMMY2 800x600+2304+0"], "/s1920,1080,32",
     ["DUMMY0 1920x1080+0+0", "DUMMY1 1024x768+1920+0", "DUMMY2 800x600+2944+0", "3744x1080"]),
    ("one above another", ["DUMMY0 1280x1024+0+0", "DUMMY1 1024x768+0+1024"], "/s800,600,32",
     ["DUMMY0 800x600+0+0", "DUMMY1 1024x768+0+600", "1024x1368"]),
    ("one above another, grow", ["DUMMY0 800x600+0+0", "DUMMY1 1024x768+0+600"], "/s1600,1200,32",
     ["DUMMY0 1600x1200+0+0", "DUMMY1 1024x768+0+1200", "1600x1968"]),
    ("under the right neighbour", ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0", "DUMMY2 1280x1024+1280+1024"],
     "/s1024,768,32", ["DUMMY0 1024x768+0+0", "DUMMY1 1280x1024+1024+0", "DUMMY2 1280x1024+1024+1024", "2304x2048"]),
    ("bottom-aligned beside", ["DUMMY0 1920x1080+0+0", "DUMMY1 800x600+1920+480"], "/s1024,768,32",
     ["DUMMY0 1024x768+0+0", "DUMMY1 800x600+1024+168", "1824x768"]),
]


def test_several_monitors():
    """On a real Xorg server with several outputs, a /s switch moves the other monitors as the layout rule says
    and the screen becomes their bounding box; a request that fails half-way leaves every output and the screen
    as they were; velmora's own switch and the notifications after it make the server probe no output."""
    for name, before, switch, after in MONITORS:
        with XorgSession(name, before) as x:
            rc, err = x.run_velmora(switch)
            log(f"{name}: {x.layout()}")
            check_equal((rc, x.layout()), (0, after), f"{name} {switch}: exit status and layout ({err})")
            if name == "three in a row":
                for place in x.layout()[:-1]:  # each monitor labelled where it now is
                    output, w, h, left, top = re.fullmatch(r"(\w+) (\d+)x(\d+)\+(\d+)\+(\d+)", place).groups()
                    x.spawn(["xmessage", "-geometry", f"{int(w) - 40}x{int(h) - 40}+{int(left) + 20}+{int(top) + 20}",
                             "-bg", "lightsteelblue", f"{output} {w}x{h}+{left}+{top}"])
                time.sleep(1)
                x.screenshot("three_monitors")
    spy = f"{LINUX_BUILD / 'menu_reader.so'}:{LINUX_BUILD / 'randr_spy.so'}"
    with XorgSession("half-way", MONITORS[1][1]) as x:
        before = x.layout()
        proc = x.start("/s1024,768,32", LD_PRELOAD=spy, VELMORA_FAIL_CRTC_CALL="2")  # the second output's move
        check_equal(wait_for(lambda: x.ask().get("box"), 10, "the refused-mode box"),
                    "失敗しました。\nthe X server refused the change; every output is as it was",
                    "the box of a switch that failed half-way")
        check_equal(x.layout(), before, "every output and the screen as they were")
        proc.terminate()
        check_equal(proc.wait(10), 4, "exit status")
    with XorgSession("probes", MONITORS[0][1]) as x:
        x.start_tray()
        x.start(LD_PRELOAD=spy, VELMORA_RANDR_LOG=str(x.tmp / "randr.log"))
        x.choose("1024x768ピクセル\t32ビット")
        wait_for(lambda: x.layout()[0] == "DUMMY0 1024x768+0+0", 10, "the switch to 1024x768")
        x.run("xrandr", "--output", "DUMMY1", "--pos", "1024x0", "--output", "DUMMY0", "--mode", "800x600")
        wait_for(lambda: x.read()[1] == "800x600ピクセル 32ビット", 5, "the tooltip after a switch elsewhere")
        calls = (x.tmp / "randr.log").read_text().split()
        log(f"RandR reads: {calls.count('probe')} probing, {calls.count('current')} current")
        check_equal(calls.count("probe"), 1, "probes (the first menu's only)")


def test_cinnamon():
    """Under Cinnamon's window manager (muffin) on a real Xorg server: /s switches through muffin's display
    configuration and the second monitor follows; a layout muffin refuses shows muffin's reason; a choice from the
    menu is stored in muffin's configuration once its question is answered, and a new muffin on a server reset to
    another mode applies it again."""
    side_by_side = ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0"]
    with CinnamonSession("cinnamon", side_by_side, tray=True) as c:
        c.run("xrandr", *sum((["--output", o, "--mode", "1280x1024", "--pos", p] for o, p in
                              (("DUMMY0", "0x0"), ("DUMMY1", "1280x0"))), []))  # muffin starts with its own layout
        wait_for(lambda: c.layout() == side_by_side + ["2560x1024"], 5, "the monitors side by side")
        rc, err = c.run_velmora("/s1024,768,32")
        log(f"/s1024,768,32: {c.layout()}, {c.state()}")
        check_equal((rc, c.layout(), c.state()), (0, ["DUMMY0 1024x768+0+0", "DUMMY1 1280x1024+1024+0", "2304x1024"],
                    "DUMMY0@0,0*1=1024x768@84.996688842773438 DUMMY1@1024,0*1=1280x1024@85.024101257324219 layout 3"),
                    f"/s: exit status, outputs and muffin's state ({err})")
        check(not (c.tmp / "asked").exists(), "muffin asked about a /s switch")
        c.run("xrandr", "--output", "DUMMY1", "--pos", "1400x0")  # apart, behind muffin's back
        proc = X11Session.start(c, "/s800,600,32")
        check_equal(wait_for(lambda: c.ask().get("box"), 10, "the refused-mode box"),
                    "不正なモードです。\nLogical monitors not adjacent", "the box with muffin's reason")
        proc.terminate()
        check_equal(proc.wait(10), 4, "exit status of the refused /s")
        c.run("xrandr", "--output", "DUMMY1", "--pos", "1024x0")

        c.start_shell()
        c.start()
        c.choose("800x600ピクセル\t32ビット")
        check("Does the display look OK?" in c.keep(), "muffin's question")
        stored = c.tmp / "home/.config/cinnamon-monitors.xml"
        wait_for(lambda: stored.exists() and "<width>800</width>" in stored.read_text(), 10, "the stored configuration")
        log("stored:", re.sub(r"\s+", " ", stored.read_text()))
        stop(c.settings)  # the next log-in: the server at another mode, a new muffin
        c.run("xrandr", "--output", "DUMMY0", "--mode", "1280x1024", "--pos", "0x0", "--output", "DUMMY1", "--pos",
              "1280x0")
        c.start_settings()
        wait_for(lambda: c.layout()[0] == "DUMMY0 800x600+0+0", 10, "the stored mode applied by a new muffin")
        log(f"after a new muffin: {c.layout()}")


def test_choice_kept_across_log_ins():
    """On a window manager without a display daemon, a choice from the menu is the next log-in's mode (the X server
    starts at another one and velmora applies it as it starts); a mode set later with another tool replaces it."""
    with DesktopSession("kept", ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0"], "") as x:
        x.autostart()
        x.choose("800x600ピクセル\t32ビット")
        wait_for(lambda: x.layout()[0] == "DUMMY0 800x600+0+0", 10, "the switch to 800x600")
        for log_in, then, expected in ((1, None, "800x600"), (2, "640x480", "1280x1024")):
            if then:
                x.run("xrandr", "--output", "DUMMY0", "--mode", then)
                wait_for(lambda: x.tip() == f"{then}ピクセル 32ビット", 5, "velmora to see the other tool's mode")
            log_in_again(x)  # velmora's icon shows once it has applied a kept mode
            check_equal(x.layout()[0], f"DUMMY0 {expected}+0+0", f"the mode after log-in {log_in}")


def log_in_again(x):
    """The session's processes end, the server is back at its own mode, then the desktop's daemon and velmora."""
    x.velmora.terminate()
    check_equal(x.velmora.wait(10), 0, "velmora's end with the session")
    if x.desktop:
        stop(x.settings)
    x.run("xrandr", "--output", "DUMMY0", "--mode", "1280x1024", "--output", "DUMMY1", "--pos", "1280x0")
    if x.desktop:
        x.start_settings()
    x.autostart()


def test_xfce_and_mate_keep_the_choice():
    """On Xfce and MATE a choice from the menu goes into the desktop's own display store, complete for every
    output, so that its settings daemon applies it at the next log-in and velmora keeps none; a change written
    afterwards with the desktop's settings is what the log-in after shows."""
    side_by_side = ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0"]
    with DesktopSession("xfce", side_by_side, "XFCE") as x:
        x.start_settings()
        x.autostart()
        x.choose("1024x768ピクセル\t32ビット")
        wait_for(lambda: x.displays("/Default/DUMMY1/Position/X") == "1024", 10, "the profile to be written")
        log("stored:", x.run("xfconf-query", "-c", "displays", "-lv").replace("\n", "; "))
        check_equal([x.displays(f"/Default/DUMMY0/{p}") for p in ("Resolution", "Active", "Primary")],
                    ["1024x768", "true", "true"], "DUMMY0's entry")
        log_in_again(x)
        wait_for(lambda: x.layout()[:2] == ["DUMMY0 1024x768+0+0", "DUMMY1 1280x1024+1024+0"], 10, "the kept layout")
        check(not (x.tmp / "home/.config/velmora/velmora.conf").exists(), "velmora kept a store of its own")
        x.run("xfconf-query", "-c", "displays", "-p", "/Default/DUMMY0/Resolution", "-s", "800x600")
        x.run("xfconf-query", "-c", "displays", "-p", "/Default/DUMMY0/RefreshRate", "-s", "60.316539764404297")
        x.run("xfconf-query", "-c", "displays", "-p", "/Default/DUMMY1/Position/X", "-s", "800")
        log_in_again(x)
        wait_for(lambda: x.layout()[0] == "DUMMY0 800x600+0+0", 10, "the mode Xfce's settings wrote")
    with DesktopSession("mate", side_by_side, "MATE") as x:
        stored = x.tmp / "home/.config/monitors.xml"
        x.start_settings()
        x.autostart()
        x.choose("1024x768ピクセル\t32ビット")
        wait_for(lambda: stored.exists() and "<x>1024</x>" in stored.read_text(), 10, "monitors.xml to be written")
        log("stored:", re.sub(r"\s+", " ", stored.read_text()))
        log_in_again(x)
        wait_for(lambda: x.layout()[:2] == ["DUMMY0 1024x768+0+0", "DUMMY1 1280x1024+1024+0"], 10, "the kept layout")
        check(not (x.tmp / "home/.config/velmora/velmora.conf").exists(), "velmora kept a store of its own")
        text = stored.read_text()  # as MATE's display settings would write another mode
        stored.write_text(text.replace("<width>1024</width>", "<width>800</width>", 1)
                          .replace("<height>768</height>", "<height>600</height>", 1).replace("<x>1024</x>", "<x>800</x>"))
        log_in_again(x)
        wait_for(lambda: x.layout()[0] == "DUMMY0 800x600+0+0", 10, "the mode MATE's settings wrote")



def test_kde_keeps_every_change_but_a_switch_for_the_session():
    """On KDE its display daemon stores every change of the outputs, a choice from velmora's menu too, and applies
    it at the next log-in, so velmora keeps none; a switch for the session ("/s") is taken back out of its store."""
    with KdeSession("kde", ["DUMMY0 1280x1024+0+0", "DUMMY1 1280x1024+1280+0"]) as x:
        x.start_settings()
        x.autostart()
        x.choose("1024x768ピクセル\t32ビット")
        wait_for(lambda: '"width": 1024' in str(x.stored()), 10, "KScreen to store the choice")
        log_in_again(x)
        wait_for(lambda: x.layout()[0] == "DUMMY0 1024x768+0+0", 10, "the choice at the next log-in")
        check(not (x.tmp / "home/.config/velmora/velmora.conf").exists(), "velmora kept a store of its own")
        time.sleep(1)  # KScreen stores a change 0.3 s after the outputs settle, what it applied at log-in too
        kept = x.stored()
        check_equal(x.run_velmora("/s", "800,600,32")[0], 0, "/s 800,600,32")
        check_equal(x.layout()[0], "DUMMY0 800x600+0+0", "the switch for the session")
        time.sleep(3)  # as long as KScreen may take to store it when the machine is busy
        check(x.stored() == kept, "KScreen's store kept the switch for the session")

def test_menu_follows_the_display():
    """Modes added to and taken from the output while velmora runs (they leave the screen's size alone): the menu
    read back after each change is the output's list; an item applies the mode it names, or nothing."""
    mode = lambda *sizes: [f"{s}ピクセル\t32ビット" for s in sizes]  # noqa: E731

    def menu_becomes(expected, what, screenshot=None):
        def shown():
            items = x.open_menu()
            if screenshot:
                x.screenshot(screenshot)
            x.xdotool("key", "Escape")
            wait_for(lambda: not x.read()[0], 10, "the menu to close")
            log(what, items[:-len(MENU_COMMANDS)])
            return items == expected + MENU_COMMANDS
        wait_for(shown, 10, f"the menu {what}")

    with X11Session("follow", MODES, current="1024x768") as x:
        x.start()
        menu_becomes(mode("640x480", "800x600") + ["* 1024x768ピクセル\t32ビット"] + mode("1280x1024"), "at start")
        x.run("xrandr", "--newmode", "1152x864", 1155 * 867 * 60 / 1e6, 1152, 1153, 1154, 1155, 864, 865, 866, 867)
        x.run("xrandr", "--addmode", "screen", "1152x864")
        menu_becomes(mode("640x480", "800x600") + ["* 1024x768ピクセル\t32ビット"] + mode("1152x864", "1280x1024"),
                     "after --addmode 1152x864", "menu_after_addmode")
        x.run("xrandr", "--delmode", "screen", "800x600")
        x.run("xrandr", "--delmode", "screen", "800x600_75")
        menu_becomes(mode("640x480") + ["* 1024x768ピクセル\t32ビット"] + mode("1152x864", "1280x1024"),
                     "after --delmode 800x600 and 800x600_75")
        # 1152x864 now sits two places earlier in the output's list than where it was added.
        x.choose("1152x864ピクセル\t32ビット")
        wait_for(lambda: x.current_mode() == (1152, 864), 10, "RandR to report 1152x864")
        menu_becomes(mode("640x480", "1024x768") + ["* 1152x864ピクセル\t32ビット"] + mode("1280x1024"),
                     "after choosing 1152x864")
        # Taken away while the menu is open: choosing it applies nothing and says so.
        items = x.open_menu()
        x.run("xrandr", "--delmode", "screen", "640x480")
        x.xdotool("key", *["Down"] * (selectable(items).index("640x480ピクセル\t32ビット") + 1), "Return")
        check_equal(wait_for(lambda: x.ask().get("box"), 10, "the refused-mode box"), "不正なモードです。", "the box")
        check_equal(x.current_mode(), (1152, 864), "the mode after a choice of a mode taken away")
        x.xdotool("key", "Return")
        wait_for(lambda: not x.ask().get("box"), 10, "the box to close")
        menu_becomes(mode("1024x768") + ["* 1152x864ピクセル\t32ビット"] + mode("1280x1024"),
                     "after --delmode 640x480 while the menu was open")


def test_switch_option():
    with X11Session("switch", MODES, tray=False) as x:
        for args, status, mode in ((["/s1024,768,32"], 0, (1024, 768)), (["/s", "640,", "480,", "32"], 0, (640, 480)),
                                   (["/s640,400,32"], 1, (640, 480)), (["/s1024,768,8"], 1, (640, 480))):
            rc, err = x.run_velmora(*args)
            check_equal((rc, x.current_mode()), (status, mode), f"{args}: exit status and mode ({err})")
        # A run that shows nothing starts no GUI: it switches where Qt has no platform to start.
        rc, err = x.run_velmora("/s800,600,32", env=x.env(QT_QPA_PLATFORM="no-such-platform"))
        check_equal((rc, x.current_mode()), (0, (800, 600)), f"/s with no Qt platform: exit status and mode ({err})")
        # The syntax box waits to be closed.
        proc = x.spawn([VELMORA, "/s640x480x8"])
        box = wait_for(x.shown, 10, "the syntax box")[0]
        check_equal(x.xdotool("getwindowname", box[0]).strip(), "Velmora", "title of the box")
        x.screenshot("syntax_box", box[1:])
        check(proc.poll() is None, "velmora must wait for the box to be closed")
        x.xdotool("key", "Return")
        check_equal(proc.wait(10), 2, "exit status after the syntax box")
        # Ended by a task manager while the box is up: the status the box stands for.
        proc = x.spawn([VELMORA, "/s640x480x8"])
        wait_for(x.shown, 10, "the syntax box")
        proc.terminate()
        check_equal(proc.wait(10), 2, "exit status after SIGTERM while the syntax box is up")
        rc, err = x.run_velmora("/s1024,768,32", env={k: v for k, v in x.env().items() if k != "DISPLAY"})
        check(rc == 3 and "DISPLAY" in err, f"without DISPLAY: exit status {rc}, message {err!r}")
        # A Wayland session without GNOME's display configuration: said at start, and the switch goes through the
        # X server (here Xvfb, which makes it; XWayland would refuse it).
        rc, err = x.run_velmora("/s800,600,32", env=x.env(WAYLAND_DISPLAY="wayland-other"))
        check(rc == 0 and x.current_mode() == (800, 600) and "XWayland cannot switch the real mode" in err,
              f"other Wayland: {rc}, {x.current_mode()}, {err!r}")
        # Resident on a desktop that shows no tray icons: a few seconds later a box says so, and after OK velmora
        # ends with status 3.
        proc = x.start()
        box = wait_for(lambda: x.ask().get("box"), 15, "the box saying no tray shows the icon")
        check(box.startswith("このデスクトップには通知領域のアイコンが表示されません。\n"), f"the box: {box!r}")
        x.screenshot("no_tray_box", x.shown()[0][1:])
        x.xdotool("key", "Return")
        check_equal(proc.wait(10), 3, "exit status after the no-tray box")
    with X11Session("switch16", ["800x600"], tray=False, depth=16) as x:
        check_equal(x.run_velmora("/s800,600,32")[0], 1, "32 bits on a 16-bit screen")
        check_equal((x.run_velmora("/s800,600,16")[0], x.current_mode()), (0, (800, 600)), "16 bits")


def test_rate():
    # Each size listed at 75 Hz before 60 Hz (1280x1024 also as the screen's own mode, without a timing): a switch
    # keeps the rate in force, away and back, whichever that is.
    with X11Session("rate", ["1280x1024_75", "1280x1024_60", "1024x768_75", "1024x768_60"], current="1280x1024_60",
                    tray=False) as x:
        for step, shown in (("/s1024,768,32", "1024x768_60"), ("/s1280,1024,32", "1280x1024_60"),
                            ("1280x1024_75", "1280x1024_75"), ("/s1024,768,32", "1024x768_75"),
                            ("/s1280,1024,32", "1280x1024_75")):
            rc = 0
            if step.startswith("/s"):
                rc = x.run_velmora(step)[0]
            else:  # the rate set elsewhere
                x.run("xrandr", "--output", "screen", "--mode", step)
            check_equal((rc, x.current_mode_name()), (0, shown), f"{step}: exit status and mode")


def test_late_tray_about_signal_and_exit():
    with X11Session("late", MODES, tray=False) as x:
        # The X server keeps velmora's windows after it ends: the icon is gone only if velmora took it away.
        proc = x.start(VELMORA_READER_RETAIN="1")
        wait_for(lambda: x.ask().get("box"), 15, "the box saying no tray shows the icon")
        check(x.icon() is None, "an icon without a tray")
        # A tray that starts while the box is up takes the icon; the box goes, and velmora stays.
        x.start_tray()
        wait_for(x.icon, 10, "the icon to dock into the tray that started")
        wait_for(lambda: x.ask() and not x.ask().get("box"), 5, "the box to go")
        # The About window: no taskbar entry, the program icon; Esc, Return and its close box hide it, and
        # velmora stays.
        about = lambda: next((w for w in x.shown() if w[3:5] == (313, 169)), None)  # noqa: E731
        for close in ("Escape", "Return", "close box"):
            time.sleep(0.3)  # let the focus settle after a window went away, as a user would
            x.choose("バージョン情報")
            window = wait_for(about, 5, "the About window")
            if close == "Escape":
                check("_SKIP_TASKBAR" in x.run("xprop", "-id", window[0], "_NET_WM_STATE"), "no taskbar entry")
                time.sleep(0.3)  # drawn
                colours = x.colours(x.screenshot("about_window", window[1:]))
                check(colours.get((0, 0, 255), 0) > 50 and colours.get((255, 255, 0), 0) > 5, "the icon shows")
            x.close_request(window[0]) if close == "close box" else x.xdotool("key", close)
            wait_for(lambda: not about(), 5, f"{close} to hide the About window")
        time.sleep(0.3)
        check(proc.poll() is None and x.icon(), "closing the About window must not end velmora")
        proc.terminate()
        check_equal(proc.wait(10), 0, "exit status after SIGTERM")
        check(x.icon() is None, "the icon is gone after SIGTERM")
        proc = x.start(VELMORA_READER_RETAIN="1")
        x.choose("終了")
        check_equal(proc.wait(10), 0, "exit status after Exit")
        check(x.icon() is None, "the icon is gone after Exit")


def test_display_tool_and_screen_saver():
    with X11Session("tools", MODES) as x:
        # The display tool comes from the one absolute PATH folder that has it; the programs of its name in
        # the current directory and in a folder under it (the relative entries "bin", "" and ".") never run.
        (x.tmp / "bin").mkdir()
        (x.tmp / "tool").mkdir()
        for folder, mark in ((x.tmp, "planted-ran"), (x.tmp / "bin", "planted-ran"), (x.tmp / "tool", "tool-ran")):
            (folder / "arandr").write_text(f"#!/bin/sh\n: > '{x.tmp}/{mark}'\n")  # no PATH lookup in the tool
            (folder / "arandr").chmod(0o755)
        x.start(PATH=f"bin::.:{x.tmp / 'tool'}")
        x.choose("画面のプロパティを開く")
        wait_for(lambda: (x.tmp / "tool-ran").exists(), 5, "the display tool to start")
        check(not (x.tmp / "planted-ran").exists(), "a tool from a relative PATH entry ran")
        x.run("xset", "s", "300")
        x.choose("スクリーンセーバを無効にする")
        wait_for(lambda: "timeout:  0 " in x.run("xset", "q"), 5, "the screen-saver timeout to be 0")
        check("* スクリーンセーバを無効にする" in x.open_menu(), "the item is ticked")
        x.xdotool("key", "Escape")
        x.choose("スクリーンセーバを無効にする")
        wait_for(lambda: "timeout:  300 " in x.run("xset", "q"), 5, "the timeout of 300 s to come back")
        check(not x.screen_saver_on(), "the screen saver is on too early")
        x.choose("スクリーンセーバ起動")
        wait_for(x.screen_saver_on, 5, "the screen saver")


def run(*cmd, **kw):
    return subprocess.run(list(map(str, cmd)), capture_output=True, text=True, timeout=300, **kw)


def check_reproducible(deb, root):
    """What makes a rebuild of the commit the same bytes: the ar members and both tarballs' entries dated the source
    date and root's; no build path in any file of the package or in the program built."""
    date, raw = source_date(), deb.read_bytes()
    offset, members = 8, []  # "!<arch>\n", then 60-byte headers: name 16, date 12, owner 6, group 6, mode 8, size 10
    while offset < len(raw):
        name, mtime, uid, gid, size = (raw[offset + a:offset + b].strip() for a, b in
                                       ((0, 16), (16, 28), (28, 34), (34, 40), (48, 58)))
        members.append((name.decode(), int(mtime), int(uid), int(gid)))
        offset += 60 + int(size) + int(size) % 2
    check_equal(members, [(n, date, 0, 0) for n in ("debian-binary", "control.tar.gz", "data.tar.gz")], "ar members")
    for part in ("--ctrl-tarfile", "--fsys-tarfile"):
        tar = subprocess.run(["dpkg-deb", part, deb], capture_output=True, check=True, timeout=60).stdout
        with tarfile.open(fileobj=io.BytesIO(tar)) as entries:
            wrong = [(e.name, e.mtime, e.uid, e.gid, e.uname, e.gname) for e in entries
                     if (e.mtime, e.uid, e.gid, e.uname, e.gname) != (date, 0, 0, "root", "root")]
        check_equal(wrong, [], f"entries of dpkg-deb {part} not dated {date} or not root's")
    for path in [VELMORA, deb] + [p for p in root.rglob("*") if p.is_file()]:
        check_no_build_path(path, path.read_bytes())


def test_package():
    """The package target's .deb: its fields, lintian, desktop-file-validate and appstreamcli over it, and what
    it installs (unpacked with dpkg-deb -x): icons, Readme.txt, the manual page and a program that works."""
    res = run("cmake", "--build", "--preset", "linux", "--target", "package", cwd=REPO)
    check(res.returncode == 0, "the package target failed:\n" + res.stdout[-2000:] + res.stderr)
    version = re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(\S+)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
    deb = BUILD / f"velmora_{version}_{run('dpkg', '--print-architecture').stdout.strip()}.deb"
    root = BUILD / "unpacked"
    shutil.rmtree(root, ignore_errors=True)
    check(run("dpkg-deb", "-x", deb, root).returncode == 0, f"dpkg-deb -x {deb}")

    field = lambda name: run("dpkg-deb", "-f", deb, name).stdout.strip()  # noqa: E731
    check_equal((field("Package"), field("Version"), field("Section")), ("velmora", version, "x11"), "fields")
    depends = set(re.findall(r"[\w.+-]+", field("Depends")))  # computed from the binary
    check({"libqt6widgets6", "libqt6dbus6", "libxrandr2", "libx11-6", "libc6"} <= depends,
          f"Depends: {field('Depends')!r}")
    check_equal((field("Recommends"), field("Suggests")), ("qt6-wayland", "gnome-shell-extension-appindicator"),
                "Recommends, Suggests")
    res = run("lintian", "--fail-on", "error,warning", deb)
    check(res.returncode == 0 and not re.search(r"^[EW]: ", res.stdout, re.M), "lintian:\n" + res.stdout)

    check_reproducible(deb, root)

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

    for size in (16, 32, 48, 64, 128):
        check_icon(root / f"usr/share/icons/hicolor/{size}x{size}/apps/velmora.png", size)
    readme = BUILD / "platform/linux/Readme.txt"
    check_equal(readme.read_bytes(), (root / "usr/share/doc/velmora/Readme.txt").read_bytes(),
                "Readme.txt beside the program and in the package")
    text = readme.read_text(encoding="utf-8")
    check("\r" not in text and f"Ver {version}" in text and "man velmora" in text, "Readme.txt's content")

    res = run("man", "--warnings", "-l", root / "usr/share/man/man1/velmora.1.gz",
              env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
    check(res.returncode == 0 and not res.stderr.strip(), f"man -l: {res.returncode} {res.stderr}")
    text = re.sub(r".\x08", "", res.stdout)
    statuses = re.search(r"^EXIT STATUS$(.*?)^\S", text, re.M | re.S)[1]
    check_equal(re.findall(r"^\s+(\d)\s", statuses, re.M), list("012345"), "exit statuses")
    for caption in [c for c in MENU_COMMANDS if c != "-"] + ["~/.config/autostart/"]:
        check(caption in text, f"the manual page does not describe {caption}")

    with X11Session("package", ["1024x768"], tray=False) as x:  # a 24-bit screen shows 32 bits
        res = run(root / "usr/bin/velmora", "/s1024,768,32", env=x.env())
        check_equal((res.returncode, x.current_mode()), (0, (1024, 768)), f"exit status and mode ({res.stderr})")
    with GnomeSession("package", shell=False) as g:
        res = run(root / "usr/bin/velmora", "/s1024,768,32", env=g.env(DISPLAY=None))
        check_equal((res.returncode, g.current_mode()), (0, (1024, 768)), f"on GNOME: exit status, mode ({res.stderr})")


if __name__ == "__main__":
    tests = {name: f for name, f in globals().items() if name.startswith("test_")}
    if LINUX_BUILD.resolve() != BUILD:  # the package is the linux preset's; another build (the sanitizers') has no .deb
        del tests["test_package"]
    main(tests)
