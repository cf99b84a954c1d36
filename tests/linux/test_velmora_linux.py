#!/usr/bin/env python3
"""End-to-end tests of the X11 velmora under Xvfb: what a user sees on screen, in the tray
menu and in the exit status. Run through run_tests.sh; prints "N passed, M failed"."""

import os
import stat
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (ARTIFACTS, COMMANDS, VELMORA, TestFailure, XSession, caption,  # noqa: E402
                     check, expected_mode_items, wait_for)

# The modes the resident tests offer, added after the screen's own 1280x1024 in this order:
# 640x400 is too low for the menu, 800x600_75 is 800x600 again at another refresh rate.
MODES = ["1024x768", "640x480", "800x600", "640x400", "800x600_75"]


# -- the "/s" switch -------------------------------------------------------------------------

def test_switch_applies_listed_mode():
    with XSession(modes=MODES, tray=False) as x:
        bpp = x.root_bits_per_pixel()
        check(x.current_mode() == (1280, 1024), "the screen should start at 1280x1024")
        rc, err = x.run_velmora("/s1024,768,%d" % bpp)
        check(rc == 0, "exit status %d, expected 0 (%s)" % (rc, err))
        check(x.current_mode() == (1024, 768), "xrandr reports %s, expected 1024x768" % (x.current_mode(),))
        rc, err = x.run_velmora("/s 640, 480, %d" % bpp)
        check(rc == 0, "blanks in the switch: exit status %d" % rc)
        check(x.current_mode() == (640, 480), "xrandr reports %s, expected 640x480" % (x.current_mode(),))


def test_switch_to_unlisted_mode_changes_nothing():
    with XSession(modes=MODES, tray=False) as x:
        bpp = x.root_bits_per_pixel()
        for args in (["/s640,400,24"], ["/s640,400,%d" % bpp], ["/s1024,768,8"], ["/s1152,864,%d" % bpp]):
            rc, err = x.run_velmora(*args)
            check(rc == 1, "%s: exit status %d, expected 1 (no such mode)" % (args[0], rc))
            check(x.current_mode() == (1280, 1024), "%s changed the mode to %s" % (args[0], x.current_mode()))


def test_switch_on_a_16_bit_screen():
    with XSession(depth=16, modes=["800x600"], tray=False) as x:
        check(x.root_bits_per_pixel() == 16, "Xvfb should run at 16 bits per pixel")
        rc, _ = x.run_velmora("/s800,600,32")
        check(rc == 1 and x.current_mode() == (1280, 1024), "32 bits is not offered on a 16-bit screen")
        rc, err = x.run_velmora("/s800,600,16")
        check(rc == 0, "exit status %d (%s)" % (rc, err))
        check(x.current_mode() == (800, 600), "xrandr reports %s, expected 800x600" % (x.current_mode(),))


def test_switch_syntax_error_shows_box():
    with XSession(modes=MODES, tray=False) as x:
        proc = subprocess.Popen([VELMORA, "/s640x480x8"], env=x.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            box = wait_for(lambda: [w for w in x.windows() if w[5]], 10, what="the error message box")[0]
            title = x.run("xdotool", "getwindowname", str(box[0])).strip()
            check(title == "Velmora", "the box's title is %r" % title)
            check(proc.poll() is None, "the program must wait for the box to be closed")
            x.key("Return")
            rc = proc.wait(10)
        finally:
            if proc.poll() is None:
                proc.kill()
        check(rc == 2, "exit status %d, expected 2 (syntax)" % rc)
        check(x.current_mode() == (1280, 1024), "the mode must not change")


def test_no_display_is_reported():
    with XSession(tray=False) as x:
        env = x.env()
        del env["DISPLAY"]
        rc, err = x.run_velmora("/s1024,768,32", env=env)
        check(rc == 3, "without DISPLAY: exit status %d, expected 3" % rc)
        check("DISPLAY" in err, "without DISPLAY the message should say so: %r" % err)
        env["DISPLAY"] = ":79.0"
        if not os.path.exists("/tmp/.X11-unix/X79"):
            rc, err = x.run_velmora(env=env)
            check(rc == 3, "unreachable display: exit status %d, expected 3" % rc)
            check(":79.0" in err, "the message should name the display: %r" % err)


# -- the tray menu ---------------------------------------------------------------------------

def test_menu_lists_sorted_modes_and_commands():
    with XSession(modes=MODES, current="1024x768") as x:
        bpp = x.root_bits_per_pixel()
        x.start_velmora()
        items = x.open_menu(button=1)
        menu = x.menu_window()
        icon = x.tray_icon()
        left = max(0, min(menu[1], icon[1]) - 8)
        x.screenshot(os.path.join(ARTIFACTS, "menu_open.png"),
                     crop=(x.current_mode()[0] - left, max(menu[2] + menu[4], 40) + 8, left, 0))
        expected = expected_mode_items(x.listed_modes(), bpp, (1024, 768)) + COMMANDS
        check(items == expected, "menu:\n%s\nexpected:\n%s" % ("\n".join(map(str, items)),
                                                              "\n".join(map(str, expected))))
        # As a user reads it: 640x480, 800x600 (once), 1024x768 ticked, 1280x1024; no 640x400.
        captions = [i[2] for i in items if i[0] == "item"]
        check(captions[:4] == [caption(640, 480, bpp), caption(800, 600, bpp), caption(1024, 768, bpp),
                               caption(1280, 1024, bpp)], "mode items %s" % captions[:4])
        check(items[4] == ("separator",), "a separator follows the modes")
        colours = x.pixels(os.path.join(ARTIFACTS, "menu_open.png"))
        check(sum(n for c, n in colours.items() if c == (0, 0, 255)) > 10, "the tray icon's blue screen is visible")
        x.key("Escape")
        wait_for(lambda: not x.menu_window(), 5, what="the menu to close")
        check(x.velmora.poll() is None, "Escape must leave the program resident")


def test_choosing_a_mode_switches_and_ticks_it():
    with XSession(modes=MODES, current="1024x768") as x:
        bpp = x.root_bits_per_pixel()
        x.start_velmora()
        items = x.open_menu(button=3)  # the right button opens the same menu
        x.choose(items, caption(800, 600, bpp))
        wait_for(lambda: x.current_mode() == (800, 600), 10, what="xrandr to report 800x600")
        items = x.open_menu(button=1)
        ticked = [i[2] for i in items if i[0] == "item" and i[1]]
        check(ticked == [caption(800, 600, bpp)], "ticked after the switch: %s" % ticked)
        x.key("Escape")


def test_mode_changed_elsewhere_is_ticked_when_menu_opens():
    with XSession(modes=MODES, current="1024x768") as x:
        bpp = x.root_bits_per_pixel()
        x.start_velmora()
        x.xrandr("--output", "screen", "--mode", "640x480")
        items = x.open_menu()
        ticked = [i[2] for i in items if i[0] == "item" and i[1]]
        check(ticked == [caption(640, 480, bpp)], "ticked: %s" % ticked)
        x.key("Escape")


def test_screen_saver_commands():
    with XSession(modes=MODES) as x:
        x.run("xset", "s", "300")
        x.start_velmora()
        items = x.open_menu()
        x.choose(items, "スクリーンセーバを無効にする")
        wait_for(lambda: "timeout:  0 " in x.run("xset", "q"), 5, what="the screen-saver timeout to be 0")
        items = x.open_menu()
        check(("item", True, "スクリーンセーバを無効にする") in items, "the item should be ticked")
        x.choose(items, "スクリーンセーバを無効にする")
        wait_for(lambda: "timeout:  300 " in x.run("xset", "q"), 5, what="the timeout of 300 s to come back")
        items = x.open_menu()
        check(("item", False, "スクリーンセーバを無効にする") in items, "the tick should be gone")
        check(not x.screen_saver_active(), "the screen saver should not run yet")
        x.choose(items, "スクリーンセーバ起動")
        wait_for(x.screen_saver_active, 5, what="the screen saver to start")
        check(x.velmora.poll() is None, "the program stays resident")


def test_display_properties_starts_the_desktop_tool():
    with XSession(modes=MODES) as x:
        bindir = os.path.join(x.tmp, "bin")
        os.makedirs(bindir)
        marker = os.path.join(x.tmp, "arandr-started")
        tool = os.path.join(bindir, "arandr")
        with open(tool, "w") as f:
            f.write("#!/bin/sh\necho \"$@\" > '%s'\n" % marker)
        os.chmod(tool, os.stat(tool).st_mode | stat.S_IXUSR)
        x.start_velmora(PATH=bindir + ":" + os.environ.get("PATH", "/usr/bin:/bin"))
        x.choose(x.open_menu(), "画面のプロパティを開く")
        wait_for(lambda: os.path.exists(marker), 5, what="the display-settings tool to start")
        check(x.velmora.poll() is None, "the program stays resident")


def test_display_properties_skips_relative_path_entries():
    with XSession(modes=MODES) as x:
        bindir = os.path.join(x.tmp, "bin")
        os.makedirs(bindir)
        marker = os.path.join(x.tmp, "arandr-started")
        tool = os.path.join(bindir, "arandr")
        with open(tool, "w") as f:
            f.write("#!/bin/sh\necho \"$@\" > '%s'\n" % marker)
        os.chmod(tool, os.stat(tool).st_mode | stat.S_IXUSR)
        empty = os.path.join(x.tmp, "empty")
        os.makedirs(empty)
        # A relative entry names a folder under the current directory, as "." and an empty entry name
        # the directory itself.
        x.start_velmora(PATH=os.path.relpath(bindir) + "::.:" + empty)
        x.choose(x.open_menu(), "画面のプロパティを開く")
        time.sleep(1)
        check(not os.path.exists(marker), "a tool from a relative PATH entry ran")
        check(x.velmora.poll() is None, "the program stays resident")


def test_display_properties_without_a_tool_does_nothing():
    with XSession(modes=MODES) as x:
        empty = os.path.join(x.tmp, "empty")
        os.makedirs(empty)
        x.start_velmora(PATH=empty)
        x.choose(x.open_menu(), "画面のプロパティを開く")
        time.sleep(0.5)
        check(x.velmora.poll() is None, "the program stays resident")
        check([w for w in x.windows() if w[5] and w[4] > 64] == [], "no window or message box appears")


def test_about_window():
    with XSession(modes=MODES, current="1024x768") as x:
        x.start_velmora()
        about = x.about_window()
        check(about is None or not about[5], "the About window is hidden at start")
        x.choose(x.open_menu(), "バージョン情報")
        about = wait_for(lambda: (lambda w: w if w and w[5] else None)(x.about_window()), 5,
                         what="the About window")
        check((about[3], about[4]) == (313, 169), "client area %dx%d, expected 313x169" % (about[3], about[4]))
        state = x.run("xprop", "-id", str(about[0]), "_NET_WM_STATE")
        check("_NET_WM_STATE_SKIP_TASKBAR" in state, "no taskbar entry: %s" % state.strip())
        time.sleep(0.3)
        shot = x.screenshot(os.path.join(ARTIFACTS, "about_window.png"), window=about[0])
        colours = x.pixels(shot)
        check(colours.get((0, 0, 255), 0) > 50, "the program icon's blue screen shows in the About window")
        check(colours.get((255, 255, 0), 0) > 5, "the icon's yellow stroke shows")
        # The icon picture sits at 8,8: its 32x32 art starts inside the 2-pixel border.
        icon = x.screenshot(os.path.join(x.tmp, "icon.png"), window=about[0], crop=(36, 36, 8, 8))
        check(x.pixels(icon).get((0, 0, 255), 0) > 50, "the icon is at 8,8")
        # Esc hides it, the menu shows it again, Enter hides it, the close box only hides it.
        x.key("Escape")
        wait_for(lambda: not x.about_window()[5], 5, what="Esc to hide the About window")
        time.sleep(0.3)  # let the focus settle after the window went away, as a user would
        x.choose(x.open_menu(), "バージョン情報")
        wait_for(lambda: x.about_window()[5], 5, what="the About window again")
        x.key("Return")
        wait_for(lambda: not x.about_window()[5], 5, what="Enter to hide the About window")
        time.sleep(0.3)  # let the focus settle after the window went away, as a user would
        x.choose(x.open_menu(), "バージョン情報")
        wait_for(lambda: x.about_window()[5], 5, what="the About window again")
        x.send_close_request(about[0])
        wait_for(lambda: not x.about_window()[5], 5, what="the close box to hide the About window")
        time.sleep(0.3)
        check(x.velmora.poll() is None, "closing the About window must not end the program")
        check(x.tray_icon() is not None, "the tray icon stays")


def test_icon_appears_when_the_tray_starts_later():
    with XSession(modes=MODES, tray=False) as x:
        log = os.path.join(x.tmp, "late.log")
        with open(log, "w") as out:
            x.velmora = subprocess.Popen([VELMORA], env=x.env(VELMORA_TEST_MENU_DUMP=x.dump_path), stdout=out,
                                        stderr=subprocess.STDOUT)
        time.sleep(1.0)
        check(x.velmora.poll() is None, "the program stays resident without a tray")
        check(x.tray_icon() is None, "no icon can show without a tray")
        with open(log, encoding="utf-8") as f:
            check("no system tray" in f.read(), "standard error should say that no tray is there")
        x.start_tray()
        wait_for(x.tray_icon, 10, what="the icon to dock into the tray that started")
        check("item" in repr(x.open_menu()), "the menu opens from the late icon")
        x.key("Escape")


def test_exit_removes_the_icon():
    with XSession(modes=MODES) as x:
        x.start_velmora()
        x.choose(x.open_menu(), "終了")
        rc = x.velmora.wait(10)
        check(rc == 0, "exit status %d, expected 0" % rc)
        check(x.tray_icon() is None, "the tray icon must be gone")


def test_terminate_signal_removes_the_icon():
    with XSession(modes=MODES) as x:
        x.start_velmora()
        x.velmora.terminate()
        rc = x.velmora.wait(10)
        check(rc == 0, "exit status %d after SIGTERM, expected 0" % rc)
        check(x.tray_icon() is None, "the tray icon must be gone")


def main():
    tests = [(name, fn) for name, fn in globals().items() if name.startswith("test_") and callable(fn)]
    only = sys.argv[1:]
    if only:
        tests = [(n, f) for n, f in tests if any(o in n for o in only)]
    passed = failed = 0
    for name, fn in tests:
        start = time.monotonic()
        try:
            fn()
        except Exception as e:  # a failure of the test or of the harness: both are failures
            failed += 1
            print("FAIL %s (%.1fs): %s" % (name, time.monotonic() - start, e), flush=True)
            if isinstance(e, TestFailure):
                frames = [f for f in traceback.extract_tb(e.__traceback__) if f.filename == __file__]
                if frames:
                    print("     at line %d: %s" % (frames[-1].lineno, frames[-1].line), flush=True)
            else:
                traceback.print_exc()
        else:
            passed += 1
            print("ok   %s (%.1fs)" % (name, time.monotonic() - start), flush=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not tests else 0


if __name__ == "__main__":
    sys.exit(main())
