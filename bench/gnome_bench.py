#!/usr/bin/env python3
"""velmora /s800,600,32 on nested mutter (one dummy monitor, tests/harness.py GnomeSession) against
velmora_gnome_baseline, which makes the same D-Bus calls and nothing else. Each round runs both, the order
alternating from round to round, the mode put back to 1280x1024 before each run; prints every round, the
medians and the ratio of the medians. Usage: bench/gnome_bench.py [ROUNDS] (default 11), after building the
linux preset and its velmora_gnome_baseline target."""

import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))
from harness import REPO, VELMORA, GnomeSession, check_equal  # noqa: E402

BASELINE = REPO / "build/linux/platform/linux/velmora_gnome_baseline"
RESET = "[(0,0,1.0,0,true,[('LVDS1','1280x1024@60.000',@a{sv} {})])]"


def timed(g, cmd):
    g.display_config("ApplyMonitorsConfig", "1", "1", RESET, "{}")
    started = time.perf_counter()
    res = subprocess.run(list(map(str, cmd)), env=g.env(DISPLAY=None), capture_output=True, timeout=30)
    took = time.perf_counter() - started
    check_equal((res.returncode, g.current_mode()), (0, (800, 600)), f"{cmd[0]}: exit status and mode")
    return took


def main(rounds):
    programs = {"velmora": [VELMORA, "/s800,600,32"], "baseline": [BASELINE, 800, 600]}
    times = {name: [] for name in programs}
    with GnomeSession("bench", shell=False) as g:
        for r in range(rounds):
            order = list(programs) if r % 2 == 0 else list(reversed(programs))
            for name in order:
                times[name].append(timed(g, programs[name]))
            print(f"round {r + 1:2}: velmora {times['velmora'][-1]:.3f}   baseline {times['baseline'][-1]:.3f}")
    medians = {name: statistics.median(t) for name, t in times.items()}
    print(f"medians: velmora {medians['velmora']:.3f} s, baseline {medians['baseline']:.3f} s, "
          f"ratio {medians['velmora'] / medians['baseline']:.2f}")


if __name__ == "__main__":
    main(int(sys.argv[1]) if sys.argv[1:] else 11)
