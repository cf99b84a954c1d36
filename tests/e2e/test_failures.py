"""Velmora under adverse conditions: a log-off while the About window is up, a mode the display refuses to
store, and command lines that are too long or hold characters the number reading does not take.

Run one test: python3 test_failures.py logoff_about|refused_mode|cmdline_longest|cmdline_cut|cmdline_fullwidth|
cmdline_quotes
"""

import os
import re
import subprocess
import time

from harness import (BUILD, DRIVER, LOADER, Session, TestFailure, caption, check, check_equal, check_error_box, log,
                     main, tip)

ABOUT = "バージョン情報"
NOT_STORED_TEXT = "設定をレジストリに書き込めません。"
SYNTAX_TEXT = "パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。"
OVERFLOW_TEXT = re.compile(r"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\n[^\r\n]+\r\nVer 1\.90")
# The longest command line a program receives under Wine: longer ones reach it cut to this many characters.
LONGEST_COMMAND_LINE = 32766


def start_resident(s):
    proc = s.start()
    s.main_window()
    check_equal(len(s.wait_for_icons(1)), 1, "icons in the notification area")
    return proc


def ticked(items):
    return [it.caption for it in items if it.checked]


# ------------------------------------------------------------------ no crash


def dialog_windows(s):
    """Every window of class #32770 on the desktop, of any process: list of (pid, title)."""
    found = []
    for line in s.driver("all-windows"):
        p = line.split(" ", 12)  # window HWND visible V pid PID class CLS rect L T R B TITLE
        if len(p) > 7 and p[7] == "#32770":
            found.append((int(p[5]), p[12] if len(p) > 12 else ""))
    return found


def crash_signs(s):
    """Signs of a crash: a winedbg process in this test's prefix, or Wine's report of an unhandled exception."""
    signs = []
    marker = f"WINEPREFIX={s.prefix}".encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if "winedbg" in cmdline.lower():
            signs.append(f"process {entry}: {cmdline.strip()}")
    s.log.flush()
    text = (s.tmp / "wine.log").read_bytes().decode(errors="replace")
    for pattern in ("Unhandled exception", "Unhandled page fault", "winedbg", "Backtrace:"):
        if pattern in text:
            signs.append(f"log: {pattern}")
    return signs


def check_no_crash(s, expected_box_pid=None):
    boxes = [b for b in dialog_windows(s) if b[0] != expected_box_pid]
    check_equal(boxes, [], "dialog windows besides the expected message box")
    check_equal(crash_signs(s), [], "signs of a crash")


# ------------------------------------------------------------------ log-off with the About window up


def test_logoff_about():
    with Session("failures_logoff_about") as s:
        proc = start_resident(s)
        s.driver("click", 516)
        s.choose_caption(ABOUT)
        deadline = time.time() + 10
        while not (window := s.main_window())["visible"] and time.time() < deadline:
            time.sleep(0.2)
        check(window["visible"], "the About window did not appear")
        check_equal([w["title"] for w in s.visible_windows()], ["Velmora"], "visible windows of Velmora")

        lines = s.driver("logoff")
        check(lines[0].split()[-1] != "0", f"Velmora refused to let the session end: {lines}")
        check(s.wait_gone(10000), "Velmora still runs after a log-off with the About window up")
        proc.wait(10)
        check_equal(s.wait_for_icons(0, timeout=5), [], "icons left in the notification area after the log-off")
        check_no_crash(s)


# ------------------------------------------------------------------ a mode the display does not store


def test_refused_mode():
    """The display adapter's stored settings are made read-only (the key's access rules in this test's own
    prefix), so the display refuses a switch that is to be stored: DISP_CHANGE_NOTUPDATED (-3), and the mode
    in force does not change. Choosing a mode from the menu must then show the message for -3 alone."""
    with Session("failures_refused_mode") as s:
        proc = start_resident(s)
        before_current, before_stored = s.mode()
        target = (1024, 768, 16)
        check(before_stored != target, f"the test needs a starting mode other than {target}")

        out = s.driver("stored-settings", "deny")
        log(out[0])
        s.driver("click", 516)
        items = s.menu()
        check(caption(*target) in [it.caption for it in items], f"{caption(*target)!r} is not offered: {items}")
        check_equal(ticked(items), [caption(*before_current)], "ticked items before the choice")
        s.choose_caption(caption(*target))

        box = s.msgbox()
        check(box is not None, "no message box came up for a mode the display did not store")
        check_equal(box["caption"], "Velmora", "caption of the message box")
        check_equal(box["texts"], [NOT_STORED_TEXT], "text of the message box")
        check(not box["icon"], "the message box shows an icon")
        check_equal(box["buttons"], ["OK"], "buttons of the message box")
        left, top, right, bottom = box["rect"]
        s.screenshot("failures_refused_mode_box", (left, top, right - left, bottom - top))
        # The indication is refreshed before the box comes up: the tooltip names the mode still in force.
        check_equal([i["tip"] for i in s.tray_icons()], [tip(*before_current)], "tooltip while the box is up")
        velmora_pid = s.main_window()["pid"]
        check_no_crash(s, expected_box_pid=velmora_pid)

        s.driver("msgbox-close")
        time.sleep(1)
        check(proc.poll() is None and s.alive(), "Velmora ended after the message box")
        check_equal(s.mode(), (before_current, before_stored), "mode after the refused switch")
        check(s.msgbox(timeout_ms=1000) is None, "a second message box came up")
        s.driver("click", 513)
        check_equal(ticked(s.menu()), [caption(*before_current)], "ticked items after the refused switch")
        s.driver("dismiss")
        check_equal(len(s.tray_icons()), 1, "icons after the refused switch")

        # Once the settings can be stored again, the same choice goes through without a message.
        s.driver("stored-settings", "allow")
        s.driver("click", 516)
        s.choose_caption(caption(*target))
        deadline = time.time() + 10
        while s.mode()[1] != target and time.time() < deadline:
            time.sleep(0.3)
        check_equal(s.mode()[1], target, "stored mode once the settings can be stored again")
        check(s.msgbox(timeout_ms=1500) is None, "a message box came up after a stored switch")
        check(proc.poll() is None, "Velmora ended")


# ------------------------------------------------------------------ bad command lines


def launch(s, tail):
    """Starts Velmora.exe through the driver with exactly `tail` after its quoted path and one blank.
    Returns (driver process, length of the whole command line as passed)."""
    proc = subprocess.Popen([str(LOADER), str(DRIVER), "launch"], env=s.env, cwd=s.tmp, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=s.log)
    s.procs.append(proc)
    proc.stdin.write(tail.encode("utf-8"))
    proc.stdin.close()
    first = proc.stdout.readline().decode().split()
    check(first[:1] == ["started"], f"Velmora.exe did not start: {first}")
    return proc, int(first[3])


def exit_status(driver_proc, timeout=60):
    try:
        driver_proc.wait(timeout)
    except subprocess.TimeoutExpired:
        raise TestFailure("Velmora did not end by itself")
    text = driver_proc.stdout.read().decode(errors="replace")
    lines = [line.strip() for line in text.splitlines() if line.strip()]
    check(bool(lines) and lines[-1].startswith("exit "), f"no exit status from the driver: {text[:2000]!r}")
    # Velmora writes nothing to the console it inherits; a crash report from Wine's debugger would land here.
    check_equal(lines[:-1], [], "console output of Velmora")
    return int(lines[-1].split()[1])


def run_command_line(name, tail, status, box_text):
    """Runs Velmora.exe with the command-line text `tail`; checks the message box (exact text, a pattern or
    None for none), the exit status, that the display mode is unchanged and that nothing crashed."""
    with Session(name) as s:
        before = s.mode()
        with s.display_changes() as changes:
            driver_proc, length = launch(s, tail)
            log(f"command line of {length} characters")
            if box_text is None:
                rc = exit_status(driver_proc)
            else:
                box = s.msgbox()
                check_error_box(box, box_text)
                check_equal(box["buttons"], ["OK"], "buttons of the message box")
                left, top, right, bottom = box["rect"]
                s.screenshot(f"{name}_box", (left, top, right - left, bottom - top))
                check_no_crash(s, expected_box_pid=s.main_window()["pid"])
                check_equal(len([b for b in dialog_windows(s)]), 1, "dialog windows on the desktop")
                s.driver("msgbox-close")
                rc = exit_status(driver_proc)
        check_equal(rc, status, "exit status")
        check_equal(changes, [], "display changes")
        check_equal(s.mode(), before, "mode after the run")
        check(not s.alive(), "Velmora still runs")
        check_no_crash(s)
        return length


def quoted_path_length():
    """Length of '"<Velmora.exe as Wine names it>" ', which comes before the text in the command line."""
    return len("Z:" + str(BUILD / "Velmora.exe").replace("/", "\\")) + 3


def test_cmdline_longest():
    """The longest command line Wine hands over whole: "/s", a width of thousands of digits, ",768,16".
    (Windows accepts at most 32767 characters; Wine cuts anything longer to 32766, see cmdline_cut.)"""
    digits = LONGEST_COMMAND_LINE - quoted_path_length() - len("/s,768,16")
    length = run_command_line("failures_cmdline_longest", "/s" + "1" * digits + ",768,16", 3, OVERFLOW_TEXT)
    check_equal(length, LONGEST_COMMAND_LINE, "length of the command line passed")


def test_cmdline_cut():
    """A 100,000-character command line ("/s", 99,991 digits, ",768,16"): Wine starts the program with it cut
    to its first 32766 characters, which hold no comma: the syntax box, and no crash."""
    tail = "/s" + "1" * (100000 - len("/s,768,16")) + ",768,16"
    check_equal(len(tail), 100000, "length of the text")
    run_command_line("failures_cmdline_cut", tail, 2, SYNTAX_TEXT)


def test_cmdline_fullwidth():
    """Full-width digits are no digits to the number reading: the width reads 0, no mode matches."""
    run_command_line("failures_cmdline_fullwidth", "/s１０２４,768,16", 1, None)


def test_cmdline_quotes():
    """A quotation mark ends the number reading: the width reads 0, no mode matches."""
    run_command_line("failures_cmdline_quotes", '/s"1024",768,16', 1, None)


if __name__ == "__main__":
    main({"logoff_about": test_logoff_about, "refused_mode": test_refused_mode,
          "cmdline_longest": test_cmdline_longest, "cmdline_cut": test_cmdline_cut,
          "cmdline_fullwidth": test_cmdline_fullwidth, "cmdline_quotes": test_cmdline_quotes})
