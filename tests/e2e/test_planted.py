"""A program planted beside Velmora.exe, or in its current directory, never runs in place of a system one.

Velmora.exe is copied into a folder of its own together with a marker-writing Control.exe
(planted_control.exe from the test build), and started with another folder, which holds one more, as its
current directory. Choosing "画面のプロパティを開く" must start the system's control panel and neither
planted program, and Velmora must stay resident.

Run it: python3 test_planted.py display_properties
"""

import shutil
import subprocess
import time
from pathlib import Path

from harness import BUILD, LOADER, Session, check, check_equal, main

PLANTED = BUILD / "planted_control.exe"
DISPLAY_PROPERTIES = "画面のプロパティを開く"
SYSTEM_CONTROL = "system32\\control.exe desk.cpl ,3"


def wine_processes(prefix):
    """The command lines of the processes running in the prefix, as Wine shows them (Windows paths)."""
    lines = []
    marker = f"WINEPREFIX={prefix}".encode()
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and marker in (entry / "environ").read_bytes().split(b"\0"):
                lines.append((entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace"))
        except OSError:
            pass
    return lines


def test_display_properties():
    with Session("planted") as s:
        check(PLANTED.exists(), f"{PLANTED} is missing: build the Windows preset first")
        app, cwd = s.tmp / "app", s.tmp / "cwd"
        app.mkdir()
        cwd.mkdir()
        shutil.copy(BUILD / "Velmora.exe", app / "Velmora.exe")
        planted = [app / "Control.exe", cwd / "Control.exe"]
        for place in planted:
            shutil.copy(PLANTED, place)

        proc = subprocess.Popen([str(LOADER), str(app / "Velmora.exe")], env=s.env, cwd=cwd, stdout=s.log,
                                stderr=s.log)
        s.procs.append(proc)
        s.main_window()
        icons = s.wait_for_icons(1)
        check_equal(len(icons), 1, "icons in the notification area")

        s.click_tray_icon(icons[0])
        s.choose_caption(DISPLAY_PROPERTIES)

        # The system's control panel starts: Wine's control.exe from the system folder, which has no page
        # for Desk.cpl and so shows no window, but runs for a while.
        deadline = time.time() + 15
        started = False
        while not started and time.time() < deadline:
            started = any(SYSTEM_CONTROL in line.lower() for line in wine_processes(s.prefix))
            time.sleep(0.05)
        ran = [str(place) for place in planted if place.with_name(place.name + ".ran").exists()]
        check_equal(ran, [], "planted programs that ran")
        check(started, "the system's control.exe did not start")

        # Still resident: the icon is there and opens the menu again.
        check(proc.poll() is None and s.alive(), "Velmora ended")
        icons = s.wait_for_icons(1)
        check_equal(len(icons), 1, "icons in the notification area after the launch")
        s.click_tray_icon(icons[0])
        check(any(it.caption == DISPLAY_PROPERTIES for it in s.menu()), "the menu did not open again")
        s.driver("dismiss")


if __name__ == "__main__":
    main({"display_properties": test_display_properties})
