#!/usr/bin/env python3
"""End-to-end tests of velmora on GNOME, as a Wayland client of a nested GNOME Shell (its icon in the panel) or plain mutter on Xvfb:
the modes mutter lists, a menu choice that GNOME asks to keep, "/s" for the session, a switch made elsewhere, a
switch on the monitor set-ups users have (HiDPI and fractional scales, two monitors, mirrors), the refresh rate kept, and the screen-saver and display-properties items. The menu is read and clicked over D-Bus,
as a panel does. Run with the linux preset's ctest, or by hand (words given: only the tests whose names contain
one); prints "N passed, M failed"."""

import contextlib
import re
import signal
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import MENU_COMMANDS, GnomeSession, TestFailure, X11Session, check, check_equal, log, main, wait_for  # noqa: E402

MENU = ["800x600ピクセル\t32ビット", "1024x768ピクセル\t32ビット", "* 1280x1024ピクセル\t32ビット"] + MENU_COMMANDS
# Xvfb pixels: the default button of GNOME's question on the 1024x768 screen, the icon in the panel at 1280x1024.
KEEP_CHANGES, PANEL_ICON = (612, 445), (1210, 15)
REVERT_SECONDS = 20  # GNOME's countdown
PANEL_HEIGHT = 40  # with the clock, which may change between two screenshots
# The About window's client area under velmora's own title bar, in a one-pixel frame; that title bar's content.
ABOUT_SIZE = (313 + 2, 169 + 30 + 2)
TITLE_BAR = {"title": "Velmora", "buttons": ["closeButton"]}
EXTENSION = "ubuntu-appindicators@ubuntu.com"


def shows(g, width, height):
    """Whether the tooltip names that mode and the menu ticks it, and it alone."""
    caption = f"{width}x{height}ピクセル\t32ビット"
    return g.tip() == caption.replace("\t", " ") and [c for c in g.menu() if c.startswith("* ")] == ["* " + caption]


def test_gnome_shell():
    with GnomeSession("shell") as g:
        monitors = g.tmp / "home/.config/monitors.xml"
        g.start()
        g.xdotool("key", "Escape")  # GNOME Shell starts in the overview
        time.sleep(0.5)
        # The panel asks for the menu itself as it opens it: read without asking, it is filled.
        g.xdotool("mousemove", *PANEL_ICON, "click", "1")
        time.sleep(1)  # the panel's menu opens
        check_equal([c for _, c in g.menu_items(about_to_show=False)], MENU, "the menu GNOME Shell's panel filled")
        g.screenshot("menu_open")
        g.xdotool("key", "Escape")
        check_equal(g.tip(), "1280x1024ピクセル 32ビット", "tooltip")
        # /s lasts for the session: no question, so nothing takes it back once GNOME's countdown has passed.
        for args, status, mode in ((["/s800,600,32"], 0, (800, 600)), (["/s640,480,32"], 1, (800, 600))):
            rc, err = g.run_velmora(*args)
            check_equal((rc, g.current_mode()), (status, mode), f"{args}: exit status and mode ({err})")
        applied = time.monotonic()
        wait_for(lambda: shows(g, 800, 600), 5, "the resident velmora to show the switch")

        # Meanwhile the screen-saver switch sets GNOME's idle delay to never and back, and the display item
        # starts GNOME's settings from the absolute PATH folder that has them.
        g.run("gsettings", "set", "org.gnome.desktop.session", "idle-delay", "120")
        for wanted in ("0", "120"):
            g.choose("スクリーンセーバを無効にする")
            wait_for(lambda: g.run("gsettings", "get", "org.gnome.desktop.session", "idle-delay").split()[-1] ==
                     wanted, 5, f"an idle delay of {wanted}")
            check_equal("* スクリーンセーバを無効にする" in g.menu(), wanted == "0", "the item's tick")

        time.sleep(max(0.0, applied + REVERT_SECONDS + 5 - time.monotonic()))
        check_equal((g.current_mode(), monitors.exists()), ((800, 600), False), "/s 25 s later, and nothing stored")

        before = g.screenshot("about_before")
        g.choose("バージョン情報")
        time.sleep(1)  # drawn
        window = g.changed(before, g.screenshot("about_screen"), skip_top=PANEL_HEIGHT)
        check(window and window[2:] == ABOUT_SIZE, f"the About window: {window}")
        about = g.screenshot("about_window", window)
        check(g.colours(about).get((0, 0, 255), 0) > 50, "the About window's icon")
        check_equal(g.ask().get("titleBar"), TITLE_BAR, "the About window's title bar")

        # A switch by another client: the tooltip follows without the menu being opened.
        g.display_config("ApplyMonitorsConfig", "1", "1", "[(0,0,1.0,0,true,[('LVDS1','1280x1024@60.000',@a{sv} {})])]",
                         "{}")
        wait_for(lambda: g.tip() == "1280x1024ピクセル 32ビット", 5, "the tooltip to follow a switch elsewhere")

        # A choice from the menu: GNOME asks; kept, it is stored and stays.
        g.choose("1024x768ピクセル\t32ビット")
        wait_for(lambda: g.current_mode() == (1024, 768), 5, "the switch to 1024x768")
        time.sleep(1.5)  # the question fades in
        g.screenshot("keep_dialog")
        g.xdotool("mousemove", *KEEP_CHANGES, "click", "1")
        wait_for(monitors.exists, 5, "monitors.xml")
        check("<width>1024</width>" in monitors.read_text(), "1024x768 stored")
        check(shows(g, 1024, 768), "the kept mode shown")

        # Not answered: GNOME puts the old mode back, and the tick and tooltip follow.
        g.choose("800x600ピクセル\t32ビット")
        wait_for(lambda: shows(g, 800, 600), 5, "800x600 shown while GNOME asks")
        wait_for(lambda: g.current_mode() == (1024, 768), REVERT_SECONDS + 5, "GNOME to revert")
        wait_for(lambda: shows(g, 1024, 768), 5, "the reverted mode shown")


def test_no_tray_extension_and_box_title():
    """GNOME Shell without its tray extension: velmora's box says so and offers to switch it on; No ends velmora,
    Yes shows the icon in the panel. A box's title bar (velmora's own here), and a box ended by the session."""
    with GnomeSession("notray", host=False) as g:
        g.xdotool("key", "Escape")  # out of the overview
        proc = g.start("/s640x480x8")
        check_equal(wait_for(lambda: g.ask().get("box"), 10, "the syntax box").split("\n")[0],
                    "パラメータの構文が間違っています。", "the syntax box")
        check_equal(g.ask().get("titleBar"), TITLE_BAR, "the box's title bar: the whole title, a close button only")
        time.sleep(0.5)
        g.screenshot("syntax_box")
        proc.send_signal(signal.SIGHUP)  # the session ends while the box is up
        check_equal(proc.wait(10), 2, "exit status of the syntax box's run, ended by the session")

        info = lambda: g.gdbus("org.gnome.Shell", "/org/gnome/Shell",  # noqa: E731
                               "org.gnome.Shell.Extensions.GetExtensionInfo", EXTENSION)
        check("'state': <6.0>" in info(), f"the extension is not installed and off: {info()}")
        for answer in ("Escape", "Return"):
            proc = g.start()
            box = wait_for(lambda: g.ask().get("box"), 15, "the box saying no tray shows the icon")
            check_equal(box, "このデスクトップには通知領域のアイコンが表示されません。\n"
                        "GNOME Shellの拡張機能「Ubuntu AppIndicators」を有効にしますか？", "the box")
            time.sleep(0.5)
            g.screenshot("no_tray_box")
            for _ in range(5):  # a window just mapped may not have the focus yet
                g.xdotool("key", answer)
                with contextlib.suppress(TestFailure):
                    wait_for(lambda: not g.ask().get("box"), 2, "the box to go")
                    break
            if answer == "Escape":
                check_equal(proc.wait(10), 3, "exit status after No")
        wait_for(lambda: "'state': <1.0>" in info(), 5, "the extension to be on")
        # The extension's host registers; velmora starts itself afresh and its item shows in the panel.
        wait_for(lambda: g.owned("org.kde.StatusNotifierWatcher") and "@" in g.gdbus(
            "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
            "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"), 10, "velmora's item")
        time.sleep(1)
        panel = g.screenshot("panel_after_yes", (PANEL_ICON[0] - 60, 0, 120, 30))
        blue = sum(n for (r, gr, b), n in g.colours(panel).items() if b > 200 and max(r, gr) < 40)  # the panel's shade
        check(proc.poll() is None and blue > 20, f"the icon in the panel ({blue} blue pixels)")


def test_late_host_two_monitors_and_display_tool():
    # Two monitors side by side, the tray host started after velmora: a smaller first monitor keeps the second
    # beside it, at the second's own mode.
    with GnomeSession("two", shell=False, monitors=2, host=False) as g:
        (g.tmp / "tool").mkdir()
        tool = g.tmp / "tool/gnome-control-center"
        tool.write_text(f"#!/bin/sh\necho \"$@\" > '{g.tmp}/tool-ran'\n")
        tool.chmod(0o755)
        g.start(PATH=f"bin::.:{g.tmp / 'tool'}")
        g.choose("画面のプロパティを開く")
        wait_for(lambda: (g.tmp / "tool-ran").exists(), 5, "GNOME's display settings to start")
        check_equal((g.tmp / "tool-ran").read_text(), "display\n", "the settings panel asked for")

        g.choose("800x600ピクセル\t32ビット")
        wait_for(lambda: shows(g, 800, 600), 10, "the switch to 800x600")
        check_equal((g.layout(), g.ask().get("box")), ("LVDS1@0,0*1=800x600@60.000 LVDS2@800,0*1=1280x1024@60.000 "
                                                        "layout 2", None), "the monitors after the switch, no box")
        time.sleep(0.5)  # drawn
        g.screenshot("two_monitors")
        # A /s that shows nothing starts no GUI: it switches with no Wayland display or X server to connect to.
        rc, err = g.run_velmora("/s1280,1024,32", env=g.env(DISPLAY=None, WAYLAND_DISPLAY="no-such-display"))
        check_equal((rc, g.current_mode()), (0, (1280, 1024)), f"/s with no display: exit status and mode ({err})")


def test_idle_delay_across_runs():
    """The screen-saver switch keeps the user's own delay across runs: off in one run, then off and on again in
    the next, the user's 600 s come back."""
    with GnomeSession("idle", shell=False) as g:
        g.run("gsettings", "set", "org.gnome.desktop.session", "idle-delay", "600")
        for steps in (["0"], ["0", "600"]):
            proc = g.start()
            for wanted in steps:
                g.choose("スクリーンセーバを無効にする")
                wait_for(lambda: g.run("gsettings", "get", "org.gnome.desktop.session", "idle-delay").split()[-1] ==
                         wanted, 5, f"an idle delay of {wanted}")
            proc.terminate()
            check_equal(proc.wait(10), 0, "the end of a run")
            wait_for(lambda: g.item not in g.gdbus("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                                   "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                                                   "RegisteredStatusNotifierItems"), 5, "the item gone")


def test_refused_switch_box():
    """A /s that mutter refuses shows the refused-mode box with mutter's reason and velmora's own title bar, though
    nothing of Qt's GUI ran before it; ended while the box is up, the run keeps the box's status."""
    with GnomeSession("refused", shell=False, host=False, dbus_config=False) as g:
        proc = X11Session.start(g, "/s800,600,32", DISPLAY=None)
        check_equal(wait_for(lambda: g.ask().get("box"), 10, "the refused-mode box"),
                    "失敗しました。\nMonitor configuration via D-Bus is disabled", "the box and mutter's reason")
        check_equal(g.ask().get("titleBar"), TITLE_BAR, "the box's title bar")
        proc.terminate()
        check_equal((proc.wait(10), g.current_mode()), (4, (1280, 1024)), "exit status and mode")


def test_other_primary_monitor():
    """Another client makes the other monitor primary, as GNOME's settings would: the tooltip names that monitor's
    mode at once, the next menu ticks it, and an item switches that monitor."""
    with GnomeSession("primary", shell=False, monitors=2) as g:
        left, right = (0, 0, 1.0, [("LVDS1", "1280x1024@60.000")]), (1280, 0, 1.0, [("LVDS2", "1024x768@60.000")])
        g.display_config("ApplyMonitorsConfig", "1", "1", *apply([left, right]))
        g.start()
        wait_for(lambda: shows(g, 1280, 1024), 5, "LVDS1's mode shown")
        g.display_config("ApplyMonitorsConfig", "1", "1", *apply([right, left]))
        wait_for(lambda: g.tip() == "1024x768ピクセル 32ビット", 5, "the tooltip to name the new primary's mode")
        check_equal(g.menu()[:3], ["800x600ピクセル\t32ビット", "* 1024x768ピクセル\t32ビット", "1280x1024ピクセル\t32ビット"],
                    "the menu after LVDS2 became primary")
        g.choose("800x600ピクセル\t32ビット")
        wait_for(lambda: shows(g, 800, 600), 10, "the switch of the new primary")
        check_equal(g.layout(), "LVDS2@1280,0*1=800x600@60.000 LVDS1@0,0*1=1280x1024@60.000 layout 2",
                    "the monitors after the switch: the new primary switched, the other as it was")


HIDPI_MODES = "2560x1600@60:1920x1200@60:1280x800@60:1024x768@60"
UHD_MODES = "3840x2160@60:1920x1080@60"
RATE_MODES = "1280x1024@75:1280x1024@60:1024x768@75:1024x768@60:800x600@60"  # 75 Hz preferred


def apply(monitors, layout_mode=None):
    """A step that applies this configuration first, as GNOME's settings would: [(x, y, scale, [(connector, mode)])]."""
    config = ",".join(f"({x},{y},{scale},0,{'true' if i == 0 else 'false'},[" + ",".join(
        f"('{c}','{m}',@a{{sv}} {{}})" for c, m in shown) + "])" for i, (x, y, scale, shown) in enumerate(monitors))
    return [f"[{config}]", f"{{'layout-mode': <uint32 {layout_mode}>}}" if layout_mode else "{}"]


# Each set-up: the session, then steps: a "/s" switch and the configuration mutter reports after it, or a
# configuration applied first (apply).
SETUPS = [
    ("hidpi", dict(modes=HIDPI_MODES, scales="2"), [
        ("/s1920,1200,32", "LVDS1@0,0*2=1920x1200@60.000 layout 2"),
        ("/s1280,800,32", "LVDS1@0,0*1=1280x800@60.000 layout 2"),  # 2 is not offered there
        ("/s1024,768,32", "LVDS1@0,0*1=1024x768@60.000 layout 2"),
        ("/s2560,1600,32", "LVDS1@0,0*2=2560x1600@60.000 layout 2")]),  # the user's scale, two runs later
    ("fractional", dict(modes=HIDPI_MODES, scales="1.5,1", monitors=2, fractional=True), [
        ("/s2560,1600,32", "LVDS1@0,0*1.50235=2560x1600@60.000 LVDS2@1704,0*1=2560x1600@60.000 layout 1"),
        ("/s1280,800,32", "LVDS1@0,0*1.49533=1280x800@60.000 LVDS2@856,0*1=2560x1600@60.000 layout 1"),
        ("/s1920,1200,32", "LVDS1@0,0*1.5=1920x1200@60.000 LVDS2@1280,0*1=2560x1600@60.000 layout 1"),
        (apply([(0, 0, 1.0, [("LVDS1", "1920x1200@60.000")]), (1920, 0, 1.0, [("LVDS2", "2560x1600@60.000")])], 2), None),
        ("/s1280,800,32", "LVDS1@0,0*1=1280x800@60.000 LVDS2@1280,0*1=2560x1600@60.000 layout 2")]),
    ("two", dict(monitors=2), [
        ("/s1024,768,32", "LVDS1@0,0*1=1024x768@60.000 LVDS2@1024,0*1=1280x1024@60.000 layout 2"),
        ("/s1280,1024,32", "LVDS1@0,0*1=1280x1024@60.000 LVDS2@1280,0*1=1280x1024@60.000 layout 2"),
        (apply([(0, 0, 1.0, [("LVDS1", "1280x1024@60.000")]), (0, 1024, 1.0, [("LVDS2", "1024x768@60.000")])]), None),
        ("/s800,600,32", "LVDS1@0,0*1=800x600@60.000 LVDS2@0,600*1=1024x768@60.000 layout 2"),
        ("/s1280,1024,32", "LVDS1@0,0*1=1280x1024@60.000 LVDS2@0,1024*1=1024x768@60.000 layout 2"),
        (apply([(0, 0, 1.0, [("LVDS1", "1024x768@60.000"), ("LVDS2", "1024x768@60.000")])]), None),
        ("/s800,600,32", "LVDS1@0,0*1=800x600@60.000+LVDS2=800x600@60.000 layout 2")]),
    ("three", dict(monitors=3), [  # LVDS1 | LVDS2, LVDS3 under LVDS2: it follows LVDS2 alone
        (apply([(0, 0, 1.0, [("LVDS1", "1280x1024@60.000")]), (1280, 0, 1.0, [("LVDS2", "1280x1024@60.000")]),
                (1280, 1024, 1.0, [("LVDS3", "1280x1024@60.000")])]), None),
        ("/s1024,768,32", "LVDS1@0,0*1=1024x768@60.000 LVDS2@1024,0*1=1280x1024@60.000 "
                          "LVDS3@1024,1024*1=1280x1024@60.000 layout 2")]),
    ("4K", dict(monitors=2, modes=UHD_MODES), [  # LVDS2 aligned to the 4K monitor's bottom edge stays aligned
        (apply([(0, 0, 1.0, [("LVDS1", "3840x2160@60.000")]), (3840, 1080, 1.0, [("LVDS2", "1920x1080@60.000")])]),
         None),
        ("/s1920,1080,32", "LVDS1@0,0*1=1920x1080@60.000 LVDS2@1920,0*1=1920x1080@60.000 layout 2")]),
    ("rate", dict(modes=RATE_MODES), [
        (apply([(0, 0, 1.0, [("LVDS1", "1280x1024@60.000")])]), None),
        ("/s1024,768,32", "LVDS1@0,0*1=1024x768@60.000 layout 2"),
        ("/s1280,1024,32", "LVDS1@0,0*1=1280x1024@60.000 layout 2"),
        (apply([(0, 0, 1.0, [("LVDS1", "1280x1024@75.000")])]), None),
        ("/s1024,768,32", "LVDS1@0,0*1=1024x768@75.000 layout 2"),
        ("/s1280,1024,32", "LVDS1@0,0*1=1280x1024@75.000 layout 2")]),
]


def test_monitor_setups():
    """Every switch of each set-up is applied, and mutter reports the layout expected; the configuration sent
    and the state read back are logged."""
    for name, options, steps in SETUPS:
        with GnomeSession(name, shell=False, host=name == "hidpi", **options) as g:
            if name == "hidpi":  # the menu lists the modes as before
                g.start()
                check_equal(g.menu()[:4], [f"{w}x{h}ピクセル\t32ビット" for w, h in ((1024, 768), (1280, 800), (1920, 1200))]
                            + ["* 2560x1600ピクセル\t32ビット"], "the menu at scale 2")
            for step, expected in steps:
                if isinstance(step, list):
                    g.display_config("ApplyMonitorsConfig", "1", "1", *step)
                    continue
                rc, err = g.run_velmora(step, env=g.env(DISPLAY=None, QT_LOGGING_RULES="velmora.gnome.debug=true"))
                log(f"{name} {step}: sent", *re.findall(r"ApplyMonitorsConfig .*", err))
                log(f"{name} {step}: read back {g.layout()}")
                check_equal((rc, g.layout()), (0, expected), f"{name} {step}: exit status and layout")


if __name__ == "__main__":
    main({name: f for name, f in globals().items() if name.startswith("test_")})
