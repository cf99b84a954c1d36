#!/usr/bin/env python3
"""The Linux program's one-shot switch and start against the desktop's own tools, in rounds whose order alternates,
every figure a median. Usage: bench/linux_bench.py PART [ROUNDS] [--before PROGRAM], after building the linux
preset (and, for the gnome part, its velmora_gnome_baseline target; for the floor of the x11 part,
velmora_link_floor); PART is one of
  x11       velmora /s800,600,32 then /s1024,768,32 against xrandr --output screen --mode making the same two
            switches, on one Xvfb with those RandR modes (tests/harness.py X11Session): wall time and peak memory;
            and, where built (target velmora_link_floor), twice a program that does nothing but load velmora's
            libraries
  gnome     velmora /s800,600,32 on nested mutter (one dummy monitor, GnomeSession) against bench/gnome_switch.sh
            (gdbus: GetCurrentState, then ApplyMonitorsConfig) and against velmora_gnome_baseline, which makes
            velmora's own D-Bus calls and nothing else; the mode is put back to 1280x1024 before each run
  resident  velmora started on Xvfb with a tray (trayer) until its icon shows in the tray, then ended
--before PROGRAM runs an earlier build of velmora in every round too. Peak memory is the largest resident set of
the processes of a run in KiB, from a second run of the same commands under /usr/bin/time (a process started by
Python itself would count Python's own memory as its peak)."""

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))
from harness import REPO, VELMORA, GnomeSession, X11Session, check, check_equal, wait_for  # noqa: E402

BASELINE = REPO / "build/linux/platform/linux/velmora_gnome_baseline"
FLOOR = REPO / "build/linux/platform/linux/velmora_link_floor"
SCRIPT = REPO / "bench/gnome_switch.sh"
RESET = "[(0,0,1.0,0,true,[('LVDS1','1280x1024@60.000',@a{sv} {})])]"


def run(commands, env, reset):
    """Runs the commands one after the other, each to a status of 0, after reset(); then reset() and the same again
    under /usr/bin/time: (seconds of the first, peak KiB of the second)."""
    reset()
    started = time.perf_counter()
    for cmd in commands:
        res = subprocess.run(list(map(str, cmd)), env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        check_equal(res.returncode, 0, f"{' '.join(map(str, cmd))}: exit status ({res.stderr!r})")
    took = time.perf_counter() - started
    reset()
    peak = 0
    for cmd in commands:
        res = subprocess.run(["/usr/bin/time", "-f", "%M", *map(str, cmd)], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True)
        check_equal(res.returncode, 0, f"{' '.join(map(str, cmd))} under time: exit status ({res.stderr!r})")
        peak = max(peak, int(res.stderr.split()[-1]))
    return took, peak


def rounds(count, programs, one):
    """Runs one(name, program) for every program in every round, the order alternating: {name: [results]}."""
    results = {name: [] for name in programs}
    for r in range(count):
        for name in (list(programs) if r % 2 == 0 else list(reversed(programs))):
            results[name].append(one(name, programs[name]))
        print(f"round {r + 1:2}: " + "   ".join(f"{n} {format_result(v[-1])}" for n, v in results.items()), flush=True)
    return results


def format_result(result):
    return f"{result[0] * 1000:.1f} ms {result[1]} KiB" if isinstance(result, tuple) else f"{result * 1000:.1f} ms"


def summary(results, peer):
    """The medians, and each program's ratio to the peer's."""
    times = {n: statistics.median(r[0] if isinstance(r, tuple) else r for r in v) for n, v in results.items()}
    for name, results_ in results.items():
        line = f"{name}: median {times[name] * 1000:.1f} ms"
        if isinstance(results_[0], tuple):
            line += f", peak {statistics.median(r[1] for r in results_):.0f} KiB"
        if name != peer:
            line += f"; ratio to {peer}: time {times[name] / times[peer]:.2f}"
            if isinstance(results_[0], tuple):
                line += (f", peak {statistics.median(r[1] for r in results_) / statistics.median(r[1] for r in results[peer]):.2f}")
        print(line)


def x11(count, before):
    sizes = ("800x600", "1024x768")
    programs = {"velmora": [[VELMORA, f"/s{s.replace('x', ',')},32"] for s in sizes],
                "xrandr": [["xrandr", "--output", "screen", "--mode", s] for s in sizes]}
    if before:
        programs["before"] = [[before, *cmd[1:]] for cmd in programs["velmora"]]
    if FLOOR.exists():
        programs["floor"] = [[FLOOR], [FLOOR]]
    with X11Session("bench-x11", sizes, tray=False) as x:
        env = x.env()

        def one(name, commands):
            result = run(commands, env, lambda: x.run("xrandr", "--output", "screen", "--mode", "1280x1024"))
            if name != "floor":
                check_equal(x.current_mode(), (1024, 768), "the mode after the two switches")
            return result
        return rounds(count, programs, one), "xrandr"


def gnome(count, before):
    programs = {"velmora": [[VELMORA, "/s800,600,32"]], "gdbus script": [["sh", SCRIPT, "LVDS1", "800x600@60.000"]],
                "baseline": [[BASELINE, 800, 600]]}
    if before:
        programs["before"] = [[before, "/s800,600,32"]]
    with GnomeSession("bench", shell=False) as g:
        env = g.env(DISPLAY=None)

        def one(_name, commands):
            result = run(commands, env, lambda: g.display_config("ApplyMonitorsConfig", "1", "1", RESET, "{}"))
            check_equal(g.current_mode(), (800, 600), "the mode after the switch")
            return result
        return rounds(count, programs, one), "gdbus script"


def resident(count, before):
    programs = {"velmora": VELMORA, **({"before": before} if before else {})}
    with X11Session("bench-resident", ("1024x768",)) as x:
        def one(_name, program):
            check(x.icon() is None, "an icon left in the tray")
            started = time.perf_counter()
            proc = subprocess.Popen([str(program)], env=x.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_for(x.icon, 20, "the icon in the tray")
            took = time.perf_counter() - started
            proc.terminate()
            check_equal(proc.wait(10), 0, "exit status after SIGTERM")
            wait_for(lambda: x.icon() is None, 10, "the icon to go")
            return took
        return rounds(count, programs, one), "velmora"


def main(args):
    before = Path(args[args.index("--before") + 1]).resolve() if "--before" in args else None
    args = [a for i, a in enumerate(args) if a != "--before" and (i == 0 or args[i - 1] != "--before")]
    part, count = args[0], int(args[1]) if args[1:] else 21
    print(f"{part}, {count} rounds; load average {os.getloadavg()[0]:.2f} at the start", flush=True)
    results, peer = {"x11": x11, "gnome": gnome, "resident": resident}[part](count, before)
    print(f"load average {os.getloadavg()[0]:.2f} at the end")
    summary(results, peer)


if __name__ == "__main__":
    main(sys.argv[1:])
