"""The "/s" switch: Velmora.exe /sW,H,D applies a mode offered in its menu and exits, without a window.

Exit statuses: 0 applied, 1 no matching mode, 2 syntax error, 3 other error, 4 the display refused the mode.
Run one case: python3 test_cmdline.py CASE   (CASE: a name from CASES)
"""

import re
import subprocess
import time

from harness import Session, check, check_equal, check_error_box, main

SYNTAX_TEXT = "パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。"
# The general error box: five lines; the fourth, the error's description, is any non-empty text.
OVERFLOW_TEXT = re.compile(r"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\n[^\r\n]+\r\nVer 1\.90")

# name: (arguments as the shell passes them, exit status, message box (exact text or pattern) or None,
#        mode applied (w, h, d) or None)
CASES = {
    "apply": (["/s1024,768,16"], 0, None, (1024, 768, 16)),
    "apply_blanks": (["/s", "1024,", "768,", "16"], 0, None, (1024, 768, 16)),
    "apply_after_other_text": (["/x", "/s800,600,32"], 0, None, (800, 600, 32)),
    "apply_hex": (["/s&H400,&H300,&H10"], 0, None, (1024, 768, 16)),
    "no_match": (["/s640,400,16"], 1, None, None),
    "syntax": (["/s640x480x8"], 2, SYNTAX_TEXT, None),
    "overflow": (["/s40000,600,16"], 3, OVERFLOW_TEXT, None),
}


def visible_velmora_windows(s):
    """Visible windows of a Velmora process that is still running (none if it has ended)."""
    if not s.alive():
        return []
    lines = s.driver("windows", timeout_ms=1000, expect_rc=None)
    return [line for line in lines if line.startswith("window ") and " visible 1 " in line]


def run_case(name):
    check_run(f"cmdline_{name}", *CASES[name])


def check_run(name, args, status, box_text, applied):
    """Runs Velmora.exe with args and checks its exit status, its message box (exact text, a pattern, or
    None for no box) and the mode it applied (None: no display change at all)."""
    with Session(name) as s:
        before = s.mode()
        with s.display_changes() as changes:
            proc = s.start(*args)
            if box_text is None:
                try:
                    rc = proc.wait(60)
                except subprocess.TimeoutExpired:
                    box = s.msgbox(timeout_ms=1000)
                    raise AssertionError(f"Velmora did not end by itself; message box: {box}")
            else:
                box = s.msgbox()
                check_error_box(box, box_text)
                check_equal(len(box["buttons"]), 1, f"buttons of the message box {box['buttons']}")
                check_equal(visible_velmora_windows(s)[1:], [], "windows besides the message box")
                left, top, right, bottom = box["rect"]
                s.screenshot(f"{name}_box", (left, top, right - left, bottom - top))
                time.sleep(0.5)
                check(proc.poll() is None, "Velmora ended while its message box was up")
                s.driver("msgbox-close")
                rc = proc.wait(30)
        check_equal(rc, status, "exit status")

        if applied is None:
            check_equal(changes, [], "display changes")
            check_equal(s.mode(), before, "mode after the run")
        else:
            check_equal(len(changes), 1, f"display changes {changes}")
            change = changes[0]
            w, h, d = applied
            # The mode in force follows at once; the stored default is the requested mode. (A Wine virtual
            # desktop keeps its own colour depth, so only the size of the mode in force is compared.)
            check_equal(change["current"][:2], (w, h), "size of the mode in force")
            check_equal(change["registry"], applied, "stored mode")
        check(not s.alive(), "Velmora still runs")


def test_upper_case_switch_stays_resident():
    """"/S" is not the switch: the program starts normally and stays in the tray."""
    with Session("cmdline_upper_case") as s:
        before = s.mode()
        proc = s.start("/S1024,768,16")
        window = s.main_window()
        time.sleep(2)
        check(proc.poll() is None, f"Velmora ended with status {proc.returncode}")
        check(not window["visible"], "a window is visible")
        check_equal(s.mode(), before, "mode")
        check_equal(len(s.tray_icons()), 1, "icons in the notification area")


TESTS = {name: (lambda n=name: run_case(n)) for name in CASES}
TESTS["upper_case"] = test_upper_case_switch_stays_resident

if __name__ == "__main__":
    main(TESTS)
