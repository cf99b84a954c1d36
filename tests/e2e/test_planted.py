"""A program planted beside Velmora.exe, or in its current directory, never runs in place of the system's.

Velmora.exe is copied into a folder of its own together with a marker-writing Control.exe
(planted_control.exe of the test build), and started with another folder, which holds one more, as its
current directory. Choosing "画面のプロパティを開く" starts the system folder's control panel, neither planted
program, and Velmora stays resident."""

import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import BUILD, LOADER, WineSession, check, check_equal, main, wait_for  # noqa: E402

DISPLAY_PROPERTIES = "画面のプロパティを開く"
SYSTEM_CONTROL = "system32\\control.exe desk.cpl ,3"


def wine_command_lines(prefix):
    """The command lines of the processes running in the prefix, as Wine shows them (Windows paths)."""
    marker, lines = f"WINEPREFIX={prefix}".encode(), []
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and marker in (entry / "environ").read_bytes().split(b"\0"):
                lines.append((entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace"))
        except OSError:
            pass
    return lines


def test_display_properties():
    with WineSession("planted") as s:
        app, cwd = s.tmp / "app", s.tmp / "cwd"
        app.mkdir()
        cwd.mkdir()
        shutil.copy(BUILD / "Velmora.exe", app)
        planted = [app / "Control.exe", cwd / "Control.exe"]
        for place in planted:
            shutil.copy(BUILD / "planted_control.exe", place)
        proc = s.spawn([LOADER, app / "Velmora.exe"], env=s.wine_env, cwd=cwd)
        icon = wait_for(lambda: s.icons() or None, 20, "the tray icon")[0]
        s.click(icon)
        s.choose(DISPLAY_PROPERTIES)

        # Wine's control.exe has no page for Desk.cpl, so it shows no window, but it runs for a while.
        wait_for(lambda: any(SYSTEM_CONTROL in line.lower() for line in wine_command_lines(s.prefix)), 15,
                 "the system folder's control.exe")
        time.sleep(1)
        check_equal([str(p) for p in planted if p.with_name(p.name + ".ran").exists()], [], "planted programs run")

        check(proc.poll() is None, "Velmora ended")
        s.click(wait_for(lambda: s.icons() or None, 10, "the tray icon")[0])
        check(DISPLAY_PROPERTIES in [it.caption for it in s.menu()], "the menu opens again")


if __name__ == "__main__":
    main({"display_properties": test_display_properties})
