"""Velmora.exe under Wine, driven as a user and Windows drive it: start-up, a close request and a restarted
shell; the tray menu (a real click, a switch, a refused switch, Exit); the About window and log-off; the display
properties; a short soak; the Readme's "/s" examples as written; the Japanese texts on an English Windows.

Run: python3 test_velmora.py [startup|menu|follow|about|display_properties|soak|readme|english]
"""

import re
import shlex
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import MENU_COMMANDS, REPO, WineSession, check, check_equal, log, main, selectable, wait_for  # noqa
import wine_prefix  # noqa: E402  (on the path the harness set)


def test_startup():
    with WineSession("startup") as s:
        proc, icon = s.resident()
        # Hidden, one icon whose tooltip names the desktop's mode, and a picture in the icon's place.
        check_equal(s.driver("find")["visible"], False, "main window visible after start-up")
        check_equal([i["tip"] for i in s.icons()], ["1280x1024ピクセル 32ビット"], "tray icons")
        left, top, right, bottom = icon["rect"]
        shot = s.screenshot("tray_area", (left - 120, top - 8, right - left + 128, bottom - top + 16))
        check(len(s.colours(shot)) >= 4, "the tray icon's place shows no picture")

        # Another program (here a second Velmora with "/s") switches the display: the tooltip names the new
        # mode without a press on the icon.
        check_equal(s.start("/s1024,768,32").wait(30), 0, "exit status of the second Velmora")
        wait_for(lambda: [i["tip"] for i in s.icons()] == ["1024x768ピクセル 32ビット"], 10,
                 "the tooltip to name the mode another program set")

        # A close request (the control menu's) leaves it running, still without a window.
        s.driver("close")
        time.sleep(1.5)
        check(proc.poll() is None, "a close request ended Velmora")
        check_equal([w for w in s.driver("windows") if w[0]], [], "windows shown after a close request")

        # A restarted shell has lost every icon and announces "TaskbarCreated": exactly one icon comes back,
        # also when the announcement comes twice.
        s.driver("tray-forget")
        check_equal(s.icons(), [], "icons once the shell lost them")
        s.driver("taskbar-created")
        s.driver("taskbar-created")
        time.sleep(1)
        icons = s.icons()
        check_equal([i["tip"] for i in icons], ["1024x768ピクセル 32ビット"], "icons after TaskbarCreated")
        s.click(icons[0])
        check(len(s.menu()) > 0, "the icon added again opens no menu")
        s.driver("keys", "escape")
        check(proc.poll() is None, "Velmora ended")


def modes(depth):
    sizes = ["640x480", "768x576", "800x600", "1024x768", "1152x864", "1280x720", "1280x800", "1280x960", "1280x1024"]
    return [f"{size}ピクセル\t{depth}ビット" for size in sizes]


# What Wine's 1280x1024 virtual desktop offers, by depth and then by width, ticking the mode in force.
MENU = modes(8) + ["-"] + modes(16) + ["-"] + modes(32)[:-1] + ["* 1280x1024ピクセル\t32ビット"] + MENU_COMMANDS
# The same once the X screen under the virtual desktop is 1024x768: the sizes that fit it, and the desktop's own.
SMALL_MENU = [m for d in (8, 16, 32) for m in modes(d)[:4] + modes(d)[-1:] + ["-"]][:-2] + [
    "* 1280x1024ピクセル\t32ビット"] + MENU_COMMANDS
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


def test_follow():
    """Wine's virtual desktop offers the sizes that fit the X screen under it, which shrinks to 1024x768 while
    Velmora runs (as a laptop's screen does when it is undocked). A mode chosen from the menu opened before applies
    nothing and says so; the menu then lists what is offered now. Grown again, the menu follows the next display
    change (another program's switch), and its items apply the modes they name."""
    with WineSession("follow") as s:
        s.run("xrandr", "--newmode", "1024x768", 1027 * 771 * 60 / 1e6, 1024, 1025, 1026, 1027, 768, 769, 770, 771)
        s.run("xrandr", "--addmode", "screen", "1024x768")
        proc, icon = s.resident()
        s.driver("click", 516)
        check_equal(s.menu(), MENU, "the menu at start")
        s.run("xrandr", "--output", "screen", "--mode", "1024x768")  # while the menu is open
        s.choose("1280x960ピクセル\t16")
        box = s.msgbox()
        check_equal(box and box["texts"], ["不正なモードです。"], "the box after choosing a mode no longer offered")
        s.driver("msgbox-ok")
        check_equal(s.mode()[1], (1280, 1024, 32), "the stored mode after choosing a mode no longer offered")
        s.driver("click", 516)
        check_equal(s.menu(), SMALL_MENU, "the menu once the X screen is 1024x768")
        s.driver("keys", "escape")

        s.run("xrandr", "--output", "screen", "--mode", "1280x1024")
        check_equal(s.start("/s800,600,32").wait(30), 0, "exit status of another program's switch")
        s.driver("click", 516)
        check_equal(s.menu(), [("* " if c == "800x600ピクセル\t32ビット" else "") + c.removeprefix("* ") for c in MENU],
                    "the menu once the X screen is 1280x1024 again")
        s.choose("1280x960ピクセル\t16")
        wait_for(lambda: s.mode()[1] == (1280, 960, 16), 10, "1280x960 at 16 bits stored")
        check(s.msgbox() is None and proc.poll() is None, "a box, or Velmora ended, after the switch")


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

        # A log-off while a "/s" box is up ends the program with the status that box stands for.
        proc = s.start("/s640x480x8")
        check(s.msgbox() is not None, "no syntax box")
        check_equal(s.driver("logoff"), {"allowed": True}, "answer to the log-off")
        check_equal(proc.wait(10), 2, "exit status after a log-off while the syntax box is up")


def test_display_properties():
    """A program planted beside Velmora.exe, or in its current directory, never runs in place of the system's:
    a Control.exe (a copy of the driver, which ends at once) in each; the system folder's control.exe starts."""
    with WineSession("planted") as s:
        app, cwd = s.tmp / "app", s.tmp / "cwd"
        for folder in (app, cwd):
            folder.mkdir()
            shutil.copy(s.build / "velmora_driver.exe", folder / "Control.exe")
        shutil.copy(s.build / "Velmora.exe", app)
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


# The two boxes of the switch: a stop icon, an OK button, caption "Velmora", these texts.
SYNTAX = "パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。"
OVERFLOW = re.compile(r"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\n[^\r\n]+\r\nVer 1\.90")


def readme_examples():
    """(arguments, exit status, mode applied or None, box text or None) for each example of docs/Readme.txt."""
    lines = (REPO / "docs" / "Readme.txt").read_text(encoding="utf-8").splitlines()
    found = []
    for line, said in zip(lines, lines[1:]):
        if m := re.fullmatch(r" {4}Velmora\.exe (/s.*)", line):
            status = int(re.search(r"（終了コード (\d)）$", said).group(1))
            mode = re.search(r"(\d+)x(\d+)ピクセル (\d+)ビットに切り替え", said)
            box = None if "メッセージ" not in said else SYNTAX if status == 2 else OVERFLOW
            found.append((shlex.split(m.group(1)), status, mode and tuple(map(int, mode.groups())), box))
    return found


def run_switch(s, args, status, applied, box_text):
    """Runs Velmora.exe with args to its end and checks its exit status, its box and the mode it left."""
    before = s.mode()
    proc = s.start(*args)
    if box_text:
        box = s.msgbox()
        check(box is not None, f"{args}: no message box")
        text = box["texts"][0] if len(box["texts"]) == 1 else box["texts"]
        matches = box_text.fullmatch(text) if isinstance(box_text, re.Pattern) else text == box_text
        check(matches, f"{args}: box text {text!r}")
        check_equal((box["caption"], box["icon"], box["buttons"]), ("Velmora", True, ["OK"]), f"{args}: box")
        l, t, r, b = box["rect"]
        s.screenshot(f"cmdline_status_{status}_box", (l, t, r - l, b - t))
        time.sleep(0.5)
        check(proc.poll() is None, f"{args}: Velmora ended while its box was up")
        s.driver("msgbox-ok")
    check_equal(proc.wait(30), status, f"{args}: exit status")
    # The size in force (a virtual desktop keeps its depth) and the mode stored.
    now, stored = s.mode()
    check_equal((now[:2], stored), (applied[:2], applied) if applied else (before[0][:2], before[1]), f"{args}: mode")


def test_readme():
    # Each example checked against the exit status, mode and message the Readme names. Which apply results end
    # in status 4 and "/S" being no switch are the unit tests'; the refused mode's box is test_menu's.
    with WineSession("readme") as s:
        examples = readme_examples()
        check_equal(sorted({e[1] for e in examples}), [0, 1, 2, 3], "exit statuses of the Readme's examples")
        for args, status, mode, box in examples:
            log("Velmora.exe", *args, "->", status, mode)
            run_switch(s, args, status, mode, box)


def test_english():
    """A Windows whose code page for non-Unicode programs is not Japanese (English: 1252) shows the same texts as
    the Japanese one: the tooltip, the menu a real click opens, the About window and the "/s" syntax box."""
    with WineSession("english", wine_prefix.ENGLISH) as s:
        check_equal(s.driver("acp"), {"acp": 1252}, "the session's ANSI code page")
        proc, icon = s.resident()
        check_equal(icon["tip"], "1280x1024ピクセル 32ビット", "the tooltip")
        s.click(icon, 3)
        check_equal(s.menu(), MENU, "the menu a right click opens")
        s.choose("バージョン情報")
        check_equal(wait_for(lambda: (w := s.driver("find"))["visible"] and w, 10, "the About window")["texts"],
                    ABOUT_TEXTS, "texts of the About window")
        s.click(icon, 3)
        s.menu()  # the menu is up
        s.screenshot("english_menu_about")
        s.choose("終了")
        check_equal(proc.wait(10), 0, "exit status after Exit")

        proc = s.start("/s640x480x8")  # alone: the driver reads the box of the one Velmora
        box = s.msgbox()
        check(box is not None, "no syntax box")
        check_equal((box["caption"], box["texts"], box["icon"], box["buttons"]),
                    ("Velmora", [SYNTAX], True, ["OK"]), "the syntax box")
        s.driver("msgbox-ok")
        check_equal(proc.wait(30), 2, "exit status after the syntax box")


if __name__ == "__main__":
    main({"startup": test_startup, "menu": test_menu, "follow": test_follow, "about": test_about, "display_properties": test_display_properties,
          "soak": test_soak, "readme": test_readme, "english": test_english})
