"""Velmora.exe as a resident program under Wine: start-up, a close request, a restarted shell.

Run: python3 test_resident.py [startup]
"""

import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import WineSession, check, check_equal, main, wait_for  # noqa: E402


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


if __name__ == "__main__":
    main({"startup": test_startup})
