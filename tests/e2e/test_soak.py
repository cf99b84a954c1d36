"""Long use of one resident Velmora.exe: 500 popups opened and closed, then 100 mode switches from the menu.

What is measured at the start and at the end (printed, so the figures can be quoted):
- GetGuiResources (user and GDI objects) and the private byte count of the process; Wine does not keep
  these and reads 0, so they are checked only when they are not 0;
- the Linux side of the Wine process running Velmora.exe: VmRSS and VmData from /proc/PID/status;
- the windows Velmora's process owns: top-level ones with the hidden ones, popup-menu windows, children.

Run: python3 test_soak.py long_use
"""

import os
import time

from harness import Session, caption, check, check_equal, log, main, tip

POPUPS = 500
SWITCHES = 100
MODE_A = (1024, 768, 16)
MODE_B = (800, 600, 32)

# Bounds over the measured run (start figures are taken after a warm-up of 20 popups and 2 switches, so
# that one-time allocations of the first menu and the first display change are not counted). A sound run
# grows by well under 1 MiB resident; a popup menu left undestroyed each time adds about 3 MiB resident over
# the 500 popups. VmData also holds what the in-process menu reader leaves behind each time it is loaded
# (about 80 KiB; the run loads it 5 times during the popups and about 22 times during the switches).
MAX_RSS_GROWTH_KIB = 1536
MAX_RSS_GROWTH_POPUPS_KIB = 1024
MAX_DATA_GROWTH_KIB = 3 * 1024
MAX_GUI_OBJECT_GROWTH = 10  # only where the system keeps the counts (not under Wine)


def linux_pid(s):
    """The id of the Linux process that runs Velmora.exe in this test's prefix."""
    marker = f"WINEPREFIX={s.prefix}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                argv0 = f.read().split(b"\0")[0].strip()
            with open(f"/proc/{entry}/environ", "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if argv0.lower().endswith(b"velmora.exe") and marker in env:
            found.append(int(entry))
    check_equal(len(found), 1, f"Linux processes running Velmora.exe in {s.prefix}")
    return found[0]


def figures(s, pid):
    fig = {}
    status = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            status[key] = value.split()
    fig["VmRSS"] = int(status["VmRSS"][0])  # KiB
    fig["VmData"] = int(status["VmData"][0])
    p = s.driver("gui-resources")[0].split()  # gui user N gdi N private BYTES
    fig["user"], fig["gdi"], fig["private"] = int(p[2]), int(p[4]), int(p[6])
    p = s.driver("window-count")[0].split()  # windows top T hidden H menus M children C
    fig["windows"] = {p[i]: int(p[i + 1]) for i in range(1, len(p), 2)}
    return fig


def show(label, fig):
    log(f"{label}: VmRSS {fig['VmRSS']} KiB, VmData {fig['VmData']} KiB, GetGuiResources user {fig['user']} "
        f"gdi {fig['gdi']}, private bytes {fig['private']}, windows {fig['windows']}")


def test_long_use():
    with Session("soak") as s:
        started = time.time()
        proc = s.start()
        s.main_window()
        check_equal(len(s.wait_for_icons()), 1, "icons in the notification area at start")
        pid = linux_pid(s)
        a, b = caption(*MODE_A), caption(*MODE_B)

        # Warm-up.
        s.driver("soak-popups", 20, timeout_ms=15000)
        s.driver("soak-switch", 2, a, b, timeout_ms=15000)

        start = figures(s, pid)
        show("start", start)

        t = time.time()
        out = s.driver("soak-popups", POPUPS, timeout_ms=15000, run_timeout=240)
        log(f"{POPUPS} popups in {time.time() - t:.1f} s: {out[-1]}")
        middle = figures(s, pid)
        show(f"after {POPUPS} popups", middle)

        t = time.time()
        out = s.driver("soak-switch", SWITCHES, a, b, timeout_ms=15000, run_timeout=300)
        log(f"{SWITCHES} switches in {time.time() - t:.1f} s: {out[-1]}")
        check_equal(out[-1].split()[:3], ["done", "switches", str(SWITCHES)], "switches done")
        end = figures(s, pid)
        show("end", end)

        # Still resident, its icon still there and answering, the last choice in force and ticked.
        check(proc.poll() is None and s.alive(), "Velmora ended during the run")
        last = MODE_A if SWITCHES % 2 else MODE_B
        current, stored = s.mode()
        check_equal(stored, last, "stored mode after the run")
        check_equal(current[:2], last[:2], "size of the mode in force after the run")
        icons = s.wait_for_icons()
        check_equal([i["tip"] for i in icons], [tip(*last)], "tray icons after the run")
        s.driver("click", 513)
        items = s.menu()
        check_equal([it.caption for it in items if it.checked], [caption(*last)], "ticked items after the run")
        s.driver("dismiss")

        # Growth within the bounds.
        rss, data = end["VmRSS"] - start["VmRSS"], end["VmData"] - start["VmData"]
        log(f"growth: VmRSS {rss:+d} KiB (bound {MAX_RSS_GROWTH_KIB}; over the popups "
            f"{middle['VmRSS'] - start['VmRSS']:+d}, bound {MAX_RSS_GROWTH_POPUPS_KIB}), VmData {data:+d} KiB "
            f"(bound {MAX_DATA_GROWTH_KIB}), windows {start['windows']} -> {end['windows']}")
        check(rss < MAX_RSS_GROWTH_KIB, f"VmRSS grew by {rss} KiB over the run")
        popups_rss = middle["VmRSS"] - start["VmRSS"]
        check(popups_rss < MAX_RSS_GROWTH_POPUPS_KIB, f"VmRSS grew by {popups_rss} KiB over the {POPUPS} popups")
        check(data < MAX_DATA_GROWTH_KIB, f"VmData grew by {data} KiB over the run")
        check_equal(middle["windows"], start["windows"], "windows of Velmora after the popups")
        check_equal(end["windows"], start["windows"], "windows of Velmora after the switches")
        for kind in ("user", "gdi"):
            if start[kind] == 0 and end[kind] == 0:
                log(f"GetGuiResources {kind}: 0 at start and end (not kept by this system)")
            else:
                check(end[kind] - start[kind] <= MAX_GUI_OBJECT_GROWTH,
                      f"{kind} objects grew from {start[kind]} to {end[kind]}")
        log(f"whole run {time.time() - started:.1f} s")


if __name__ == "__main__":
    main({"long_use": test_long_use})
