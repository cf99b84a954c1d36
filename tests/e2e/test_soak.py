"""A short soak of Velmora.exe under Wine: 300 popups opened and closed and 10 mode switches in one run; the
memory of the process and its windows must stay flat.

Run: python3 test_soak.py [soak]
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import WineSession, check, check_equal, log, main, selectable, wait_for  # noqa: E402
from test_menu import MENU  # noqa: E402

SELECTABLE = selectable(MENU)
SWITCHES = [((800, 600, 32), "800x600ピクセル\t32ビット"), ((1024, 768, 16), "1024x768ピクセル\t16ビット")]

# A sound run grows by well under 1 MiB resident; a popup menu left undestroyed each time adds about 2 MiB over
# 300 popups. (GetGuiResources reads 0 under Wine, so the Linux side of the process is measured.)
MAX_RSS_GROWTH_KIB = 1024


def figures(s, proc):
    status = dict(line.split(":", 1) for line in Path(f"/proc/{proc.pid}/status").read_text().splitlines())
    return int(status["VmRSS"].split()[0]), sorted(s.driver("windows"))


def test_soak():
    with WineSession("soak") as s:
        proc, _ = s.resident()
        check("Velmora.exe" in Path(f"/proc/{proc.pid}/cmdline").read_text(), "the process is not Velmora.exe")
        s.driver("popups", 20)  # the first menus' one-time allocations are not counted
        rss, windows = figures(s, proc)
        s.driver("popups", 300, timeout=300)
        for i in range(10):
            mode, item = SWITCHES[i % 2]
            s.driver("click", 516)
            # The item is reached by Down presses: reading the menu would load the reader into the process.
            s.driver("keys", *["down"] * (SELECTABLE.index(item) + 1), "return")
            wait_for(lambda: s.mode()[1] == mode, 10, f"{mode} to be stored")
        rss_end, windows_end = figures(s, proc)
        log(f"VmRSS {rss} -> {rss_end} KiB, windows {windows} -> {windows_end}")
        check(rss_end - rss < MAX_RSS_GROWTH_KIB, f"VmRSS grew by {rss_end - rss} KiB")
        check_equal(windows_end, windows, "windows of Velmora")
        check(proc.poll() is None and len(s.icons()) == 1, "Velmora or its icon is gone")


if __name__ == "__main__":
    main({"soak": test_soak})
