"""Velmora as a resident program: start-up, staying in the tray, ending the session, a shell restart.

Run one test: python3 test_resident.py startup|session|shell_restart
"""

import time

from harness import Session, check, check_equal, main, tip

PROGRAM_TIP = "Velmora"


def start_resident(s):
    """Starts Velmora without arguments and waits for its hidden main window."""
    proc = s.start()
    window = s.main_window()
    check(proc.poll() is None, f"Velmora ended at start-up with status {proc.returncode}")
    return proc, window


def test_startup():
    with Session("startup") as s:
        proc, window = start_resident(s)
        check(not window["visible"], "the main window is visible right after start-up")
        icons = s.wait_for_icons(1)
        check_equal(len(icons), 1, "icons in the notification area")
        icon = icons[0]
        # The tooltip names the mode in force once start-up has finished.
        current, _ = s.mode()
        check_equal(icon["tip"], tip(*current), "tooltip of the tray icon")

        _, taskbar = s.desktop()
        left, top, right, bottom = taskbar
        crop = (right - 160, top, 160, bottom - top)
        _, full = s.screenshot("tray_area", crop)
        check(s.colours_in(full, icon["rect"]) >= 3, "the tray icon's place in the taskbar shows no picture")

        # Resident: still running a while later, with no window of its own on screen.
        time.sleep(2)
        check(proc.poll() is None, "Velmora did not stay resident")
        check(s.alive(), "Velmora's process is gone")
        check_equal([w["title"] for w in s.visible_windows()], [], "visible windows of Velmora")
        check_equal(len(s.tray_icons()), 1, "icons in the notification area after a while")


def test_session():
    with Session("session") as s:
        proc, _ = start_resident(s)
        s.wait_for_icons(1)

        # A close request (the control menu's origin) is refused: the program stays, still without a window.
        s.driver("close")
        time.sleep(1.5)
        check(proc.poll() is None and s.alive(), "a close request ended Velmora")
        check_equal([w["title"] for w in s.visible_windows()], [], "visible windows after a close request")
        check_equal(len(s.tray_icons()), 1, "icons after a close request")

        # A log-off ends the program and takes the icon away.
        lines = s.driver("logoff")
        check(lines[0].split()[-1] != "0", f"Velmora refused to let the session end: {lines}")
        check(s.wait_gone(10000), "Velmora still runs after a log-off")
        proc.wait(10)
        check_equal(s.wait_for_icons(0, timeout=5), [], "icons left in the notification area after a log-off")


def test_shell_restart():
    with Session("shell_restart") as s:
        proc, _ = start_resident(s)
        icons = s.wait_for_icons(1)
        check_equal(len(icons), 1, "icons in the notification area")
        tip = icons[0]["tip"]

        # A restarted shell has lost every icon; it then broadcasts "TaskbarCreated".
        s.driver("tray-forget")
        check_equal(s.wait_for_icons(0, timeout=5), [], "icons once the shell forgot them")
        s.driver("taskbar-created")
        icons = s.wait_for_icons(1)
        check_equal(len(icons), 1, "icons after TaskbarCreated")
        check_equal(icons[0]["tip"], tip, "tooltip of the icon added again")

        # A second announcement must not add a second icon.
        s.driver("taskbar-created")
        time.sleep(1)
        check_equal(len(s.tray_icons()), 1, "icons after a second TaskbarCreated")
        _, taskbar = s.desktop()
        left, top, right, bottom = taskbar
        s.screenshot("tray_area_after_shell_restart", (right - 160, top, 160, bottom - top))

        # The icon added again works: a press on it opens the menu.
        s.click_tray_icon(icons[0])
        check(len(s.menu()) > 0, "the menu did not open from the icon added again")
        s.driver("dismiss")
        check(proc.poll() is None, "Velmora ended")


if __name__ == "__main__":
    main({"startup": test_startup, "session": test_session, "shell_restart": test_shell_restart})
