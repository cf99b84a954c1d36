"""The tray menu of Velmora.exe under Wine: a real click opens it, a choice switches the mode, a refused mode's
box, the About window, log-off and Exit, the display properties, and a short soak.

Run: python3 test_menu.py [menu|about|display_properties|soak]
"""

import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import BUILD, MENU_COMMANDS, WineSession, check, check_equal, log, main, selectable, wait_for  # noqa


def modes(depth):
    sizes = ["640x480", "768x576", "800x600", "1024x768", "1152x864", "1280x720", "1280x800", "1280x960", "1280x1024"]
    return [f"{size}ピクセル\t{depth}ビット" for size in sizes]


# What Wine's 1280x1024 virtual desktop offers, by depth and then by width, ticking the mode in force.
MENU = modes(8) + ["-"] + modes(16) + ["-"] + modes(32)[:-1] + ["* 1280x1024ピクセル\t32ビット"] + MENU_COMMANDS
ABOUT_TEXTS = ["OK", "Velmora", "Ver 1.90", "\u3000画面の解像度と色数をトレイから切り替えます。\r\n"
               "\u3000著作権はVelmora開発チームにあります。\r\n\u3000使用による損害にVelmora開発チームは責任を負いません。"]


def ticked(s, screenshot=None):
    """The ticked items of the menu a right press opens (and a screenshot of it, if named); the menu is closed."""
    s.driver("click", 516)
    items = [c for c in s.menu() if c.startswith("*")]
    if screenshot:
        s.screenshot(screenshot, (0, 0, 1024, 768))
    s.driver("keys", "escape")
    return items


def test_menu():
    """A real click opens the menu; a choice switches and stores the mode and moves the tick and tooltip; once the
    stored display settings are read-only, the display refuses a switch that is to be stored
    (DISP_CHANGE_NOTUPDATED): its box alone, and the mode stays; Exit."""
    with WineSession("menu") as s:
        proc, icon = s.resident()
        s.click(icon, 3)  # which presses open the menu is the unit tests' (form_test)
        check_equal(s.menu(), MENU, "the menu a right click opens")
        s.screenshot("menu_open")
        s.choose("1024x768ピクセル\t16")
        # Stored as chosen; a Wine virtual desktop keeps its depth, so only the size in force follows.
        # (Under load the virtual desktop may take its new size a moment after the mode is stored.)
        wait_for(lambda: (m := s.mode())[1] == (1024, 768, 16) and m[0][:2] == (1024, 768), 10,
                 "the mode stored and its size in force")
        check(s.msgbox() is None, "a message box came up after a switch")
        check_equal([i["tip"] for i in s.icons()], ["1024x768ピクセル 16ビット"], "tooltip after the switch")
        check_equal(ticked(s, "menu_after_switch"), ["* 1024x768ピクセル\t16ビット"], "ticked after the switch")

        before = s.mode()
        s.driver("stored-settings-deny")
        s.driver("click", 513)
        s.choose("800x600ピクセル\t32")
        box = s.msgbox()
        check(box is not None, "no message box for a refused mode")
        check_equal((box["caption"], box["texts"], box["icon"], box["buttons"]),
                    ("Velmora", ["設定をレジストリに書き込めません。"], False, ["OK"]), "the box")
        l, t, r, b = box["rect"]
        s.screenshot("refused_mode_box", (l, t, r - l, b - t))
        s.driver("msgbox-ok")
        time.sleep(1)
        check_equal((proc.poll(), s.mode()), (None, before), "Velmora running, the mode after the refused switch")
        check_equal(ticked(s), ["* 1024x768ピクセル\t16ビット"], "ticked after the refused switch")

        s.driver("click", 513)
        s.choose("終了")
        check_equal(proc.wait(10), 0, "exit status after Exit")
        check_equal(s.icons(), [], "icons after Exit")


def test_about():
    with WineSession("about") as s:
        proc, icon = s.resident()
        s.click(icon)
        s.choose("バージョン情報")
        about = wait_for(lambda: (w := s.driver("find"))["visible"] and w, 10, "the About window")
        check_equal((about["client"], about["owned"]), ([313, 169], True), "client area, owned (no taskbar button)")
        check_equal(about["texts"], ABOUT_TEXTS, "texts of the About window")
        check_equal(len([w for w in s.driver("windows") if w[0]]), 1, "windows shown")
        l, t, r, b = about["rect"]
        s.screenshot("about_window", (l - 10, t - 10, r - l + 20, b - t + 20))

        # Esc hides it; a close request hides it too, and the program stays, its icon too.
        s.xdotool("key", "Escape")
        wait_for(lambda: not s.driver("find")["visible"], 10, "Esc to hide the About window")
        s.driver("click", 516)
        s.choose("バージョン情報")
        check_equal(wait_for(lambda: (w := s.driver("find"))["visible"] and w, 10, "About again")["rect"],
                    about["rect"], "place of the About window shown again")
        s.driver("close")
        wait_for(lambda: not s.driver("find")["visible"], 10, "a close request to hide the About window")
        time.sleep(1)
        check(proc.poll() is None and len(s.icons()) == 1, "a close request on the About window ended Velmora")

        # A log-off, here with the About window up, ends the program and takes the icon away.
        s.driver("click", 516)
        s.choose("バージョン情報")
        wait_for(lambda: s.driver("find")["visible"], 10, "the About window again")
        check_equal(s.driver("logoff"), {"allowed": True}, "answer to the log-off")
        proc.wait(10)
        check_equal(s.icons(), [], "icons after the log-off")


def test_display_properties():
    """A program planted beside Velmora.exe, or in its current directory, never runs in place of the system's:
    a Control.exe (a copy of the driver, which ends at once) in each; the system folder's control.exe starts."""
    with WineSession("planted") as s:
        app, cwd = s.tmp / "app", s.tmp / "cwd"
        for folder in (app, cwd):
            folder.mkdir()
            shutil.copy(BUILD / "velmora_driver.exe", folder / "Control.exe")
        shutil.copy(BUILD / "Velmora.exe", app)
        proc, icon = s.resident(cwd=cwd, exe=app / "Velmora.exe")
        s.click(icon)
        s.choose("画面のプロパティを開く")
        # Wine's control.exe has no page for Desk.cpl, so it shows no window, but it runs for a while. Only one
        # program is started: were it a planted one, the system's would never come.
        wait_for(lambda: any("system32\\control.exe desk.cpl ,3" in line.lower()
                             for line in s.wine_processes().values()), 15, "the system folder's control.exe")
        time.sleep(1)
        check(proc.poll() is None and len(s.icons()) == 1, "Velmora or its icon is gone")


# A sound run grows by well under 1 MiB resident; a popup menu left undestroyed each time adds about 2 MiB over
# 300 popups. (GetGuiResources reads 0 under Wine, so the Linux side of the process is measured.)
MAX_RSS_GROWTH_KIB = 1024


def test_soak():
    """300 popups opened and closed and 10 mode switches in one run: memory and windows stay flat."""
    with WineSession("soak") as s:
        proc, _ = s.resident()
        check("Velmora.exe" in Path(f"/proc/{proc.pid}/cmdline").read_text(), "the process is not Velmora.exe")

        def figures():
            status = dict(line.split(":", 1) for line in Path(f"/proc/{proc.pid}/status").read_text().splitlines())
            return int(status["VmRSS"].split()[0]), sorted(s.driver("windows"))

        s.driver("popups", 20)  # the first menus' one-time allocations are not counted
        rss, windows = figures()
        s.driver("popups", 300, timeout=300)
        for i in range(10):
            mode = [(800, 600, 32), (1024, 768, 16)][i % 2]
            s.driver("click", 516)
            # The item is reached by Down presses: reading the menu would load the reader into the process.
            index = selectable(MENU).index("%dx%dピクセル\t%dビット" % mode)
            s.driver("keys", *["down"] * (index + 1), "return")
            wait_for(lambda: s.mode()[1] == mode, 10, f"{mode} to be stored")
        rss_end, windows_end = figures()
        log(f"VmRSS {rss} -> {rss_end} KiB, windows {windows} -> {windows_end}")
        check(rss_end - rss < MAX_RSS_GROWTH_KIB, f"VmRSS grew by {rss_end - rss} KiB")
        check_equal(windows_end, windows, "windows of Velmora")
        check(proc.poll() is None and len(s.icons()) == 1, "Velmora or its icon is gone")


if __name__ == "__main__":
    main({"menu": test_menu, "about": test_about, "display_properties": test_display_properties, "soak": test_soak})
