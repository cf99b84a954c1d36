"""A program planted beside Velmora.exe, or in its current directory, never runs in place of the system's.

Velmora.exe is copied into a folder of its own together with a Control.exe (a copy of the test driver, which
ends at once), and started with another folder, which holds one more, as its current directory. Choosing
"画面のプロパティを開く" starts the system folder's control panel, neither planted program, and Velmora stays
resident."""

import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import BUILD, LOADER, WineSession, check, main, wait_for  # noqa: E402

DISPLAY_PROPERTIES = "画面のプロパティを開く"


def test_display_properties():
    with WineSession("planted") as s:
        app, cwd = s.tmp / "app", s.tmp / "cwd"
        for folder in (app, cwd):
            folder.mkdir()
            shutil.copy(BUILD / "velmora_driver.exe", folder / "Control.exe")
        shutil.copy(BUILD / "Velmora.exe", app)
        proc = s.spawn([LOADER, app / "Velmora.exe"], env=s.wine_env, cwd=cwd)
        s.click(wait_for(lambda: s.icons() or None, 20, "the tray icon")[0])
        s.choose(DISPLAY_PROPERTIES)

        # Wine's control.exe has no page for Desk.cpl, so it shows no window, but it runs for a while. Only one
        # program is started: were it a planted one, the system's would never come.
        wait_for(lambda: any("system32\\control.exe desk.cpl ,3" in line.lower()
                             for line in s.wine_processes().values()), 15, "the system folder's control.exe")
        time.sleep(1)
        check(proc.poll() is None, "Velmora ended")
        s.click(wait_for(lambda: s.icons() or None, 10, "the tray icon")[0])
        check(DISPLAY_PROPERTIES in s.menu(), "the menu opens again")


if __name__ == "__main__":
    main({"display_properties": test_display_properties})
