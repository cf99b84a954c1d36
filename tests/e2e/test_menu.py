"""The tray menu: opening it with a real click, what it lists, switching the mode, About, Exit.

Run one test: python3 test_menu.py menu|switch|about|exit
"""

import time

from harness import Session, caption, check, check_equal, main, unescape

COMMANDS = ["-", "スクリーンセーバ起動", "スクリーンセーバを無効にする", "-", "画面のプロパティを開く",
            "バージョン情報", "-", "終了"]
ABOUT = "バージョン情報"
EXIT = "終了"


def expected_menu(listed):
    """The menu for the modes the display service lists, in that order: modes at least 480 high with at
    least 8 bits, one entry per size and depth, exchange-sorted by depth and then by width (equal widths
    end in whatever order the two passes leave them), a separator between depth groups, then the commands."""
    table = []
    for mode in listed:
        w, h, d = mode
        if h >= 480 and d >= 8 and mode not in table:
            table.append(mode)
    u = len(table) - 1
    for i in range(u):
        for j in range(i + 1, u + 1):
            if table[j][2] < table[i][2]:
                table[i], table[j] = table[j], table[i]
    for i in range(u):
        for j in range(i + 1, u + 1):
            if table[j][0] < table[i][0] and table[i][2] == table[j][2]:
                table[i], table[j] = table[j], table[i]
    shown = []
    for k, (w, h, d) in enumerate(table):
        if k > 0 and table[k - 1][2] != d:
            shown.append("-")
        shown.append(caption(w, h, d))
    return shown + COMMANDS


def ticked(items):
    return [it.caption for it in items if it.checked]


def start_with_icon(s):
    proc = s.start()
    s.main_window()
    deadline = time.time() + 10
    while not (icons := s.tray_icons()) and time.time() < deadline:
        time.sleep(0.3)
    check_equal(len(icons), 1, "icons in the notification area")
    return proc, icons[0]


def open_menu_by_click(s, icon, button=3):
    s.click_tray_icon(icon, button)
    return s.menu()


def popup_rect(s):
    for w in s.visible_windows():
        if w["class"] == "#32768":
            return w["rect"]
    return None


def test_menu():
    with Session("menu") as s:
        proc, icon = start_with_icon(s)
        expected = expected_menu(s.modes())
        current, _ = s.mode()

        items = open_menu_by_click(s, icon, button=3)
        check_equal([it.shown for it in items], expected, "menu items")
        check_equal(ticked(items), [caption(*current)], "ticked items")
        check_equal([it.caption for it in items if it.grayed and not it.separator], [], "greyed items")

        # The menu opens at the pointer, which rests on the tray icon.
        rect = popup_rect(s)
        check(rect is not None, "no popup window on screen")
        x, y = icon["centre"]
        # (kept out of the taskbar, so it may end just above the pointer)
        check(rect[0] - 4 <= x <= rect[2] + 4 and rect[1] - 4 <= y <= rect[3] + 24,
              f"menu {rect} is not at the pointer at {x},{y}")
        left, top = max(rect[0] - 20, 0), max(rect[1] - 20, 0)
        _, full = s.screenshot("menu_open", (left, top, 1280 - left, 1024 - top))
        check(s.colours_in(full, rect) >= 3, "the menu's place on screen shows nothing")
        s.driver("dismiss")
        check(popup_rect(s) is None, "the menu stayed open after Esc")

        # The left button opens the same menu.
        items = open_menu_by_click(s, icon, button=1)
        check_equal([it.shown for it in items], expected, "menu items opened with the left button")
        s.driver("dismiss")
        check(proc.poll() is None, "Velmora ended")


def test_switch():
    with Session("switch") as s:
        proc, icon = start_with_icon(s)
        target = caption(1024, 768, 16)
        items = open_menu_by_click(s, icon)
        check(target in [it.caption for it in items], f"{target!r} is not offered: {items}")
        s.choose_caption(target)

        deadline = time.time() + 10
        while (mode := s.mode())[1] != (1024, 768, 16) and time.time() < deadline:
            time.sleep(0.3)
        current, stored = mode
        check_equal(stored, (1024, 768, 16), "stored mode after choosing it")
        # A Wine virtual desktop keeps its colour depth: the mode in force has the new size, and its depth
        # is whatever the display reports.
        check_equal(current[:2], (1024, 768), "size of the mode in force after choosing it")
        check(s.msgbox(timeout_ms=1500) is None, "a message box came up after a successful switch")

        # The next popup ticks the chosen mode; the tooltip names it. (Under Wine the program that set the
        # mode reads it back as set, depth included, while other programs see the desktop's own depth.)
        s.driver("click", 513)
        items = s.menu()
        check_equal(ticked(items), [target], "ticked items after the switch")
        s.screenshot("menu_after_switch", (0, 0, 1024, 768))
        s.driver("dismiss")
        check_equal([i["tip"] for i in s.tray_icons()], ["1024x768ピクセル 16ビット"], "tooltip after the switch")

        # A second choice moves the tick.
        target = caption(800, 600, 32)
        s.driver("click", 516)
        s.choose_caption(target)
        deadline = time.time() + 10
        while s.mode()[1] != (800, 600, 32) and time.time() < deadline:
            time.sleep(0.3)
        check_equal(s.mode()[1], (800, 600, 32), "stored mode after the second switch")
        s.driver("click", 516)
        items = s.menu()
        check_equal(ticked(items), [target], "ticked items after the second switch")
        s.driver("dismiss")
        check_equal([i["tip"] for i in s.tray_icons()], ["800x600ピクセル 32ビット"], "tooltip after the second switch")
        check(proc.poll() is None, "Velmora ended")


def test_about():
    with Session("about") as s:
        proc, icon = start_with_icon(s)
        open_menu_by_click(s, icon)
        s.choose_caption(ABOUT)

        deadline = time.time() + 10
        while not (window := s.main_window())["visible"] and time.time() < deadline:
            time.sleep(0.2)
        check(window["visible"], "the About window did not appear")
        visible = s.visible_windows()
        check_equal([w["title"] for w in visible], ["Velmora"], "visible windows of Velmora")
        left, top, right, bottom = window["rect"]
        check(right - left > 200 and bottom - top > 100, f"the About window is too small: {window['rect']}")
        time.sleep(0.5)
        _, full = s.screenshot("about_window", (max(left - 10, 0), max(top - 10, 0),
                                                right - left + 20, bottom - top + 20))
        check(s.colours_in(full, window["rect"]) >= 4, "the About window's place on screen is blank")
        # What it says: the name, the version, the notice and an OK button.
        texts = [unescape(line.split(" ", 6)[6]) for line in s.driver("texts")
                 if " visible 1 " in line and len(line.split(" ", 6)) > 6]
        check("Velmora" in texts, f"the About window does not name the program: {texts}")
        check("Ver 1.90" in texts, f"the About window shows no version 'Ver 1.90': {texts}")
        check("OK" in texts, f"the About window has no OK button: {texts}")
        notices = [t for t in texts if t.count("\r\n") == 2]
        check_equal(len(notices), 1, f"three-line notices among {texts}")
        for line in notices[0].split("\r\n"):
            check(line.startswith("\u3000") and line.endswith("。"), f"notice line {line!r}")
        # No taskbar button for it.
        buttons = [line for line in s.driver("desktop") if line.startswith("child ") and " visible 1 " in line
                   and line.endswith(" Velmora")]
        check_equal(buttons, [], "taskbar buttons of Velmora")

        # A close request from the control menu only hides it.
        s.driver("close")
        deadline = time.time() + 10
        while s.main_window()["visible"] and time.time() < deadline:
            time.sleep(0.2)
        check(not s.main_window()["visible"], "the About window is still visible after a close request")
        time.sleep(1)
        check(proc.poll() is None and s.alive(), "a close request on the About window ended Velmora")
        check_equal(len(s.tray_icons()), 1, "icons after hiding the About window")

        # Shown again, in the same place.
        open_menu_by_click(s, icon)
        s.choose_caption(ABOUT)
        deadline = time.time() + 10
        while not (again := s.main_window())["visible"] and time.time() < deadline:
            time.sleep(0.2)
        check(again["visible"], "the About window did not appear the second time")
        check_equal(again["rect"], window["rect"], "place of the About window shown again")


def test_exit():
    with Session("exit") as s:
        proc, icon = start_with_icon(s)
        open_menu_by_click(s, icon)
        s.choose_caption(EXIT)
        check(s.wait_gone(10000), "Velmora still runs after Exit")
        check_equal(proc.wait(10), 0, "exit status after Exit")
        deadline = time.time() + 5
        while (icons := s.tray_icons()) and time.time() < deadline:
            time.sleep(0.3)
        check_equal(icons, [], "icons left after Exit")


if __name__ == "__main__":
    main({"menu": test_menu, "switch": test_switch, "about": test_about, "exit": test_exit})
