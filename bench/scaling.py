#!/usr/bin/env python3
"""How the work of each start-up phase grows from SMALL to LARGE listed modes (default 500 and
5000), measured as instructions under callgrind, per source line and per function.

    python3 bench/scaling.py [--build build/host] [--small 500] [--large 5000] [--phase PHASE ...]

Needs valgrind and the host build (cmake --build --preset host). With ten times the modes, a
part that grows linearly does about ten times the work; one that grows with the square does
about a hundred times. Lines are listed with their instruction counts at both sizes and the
ratio; a ratio above --flag (default 20) is marked "superlinear".
"""
import argparse
import collections
import os
import re
import subprocess
import sys
import tempfile

PHASES = ["catalogue", "menu", "startup", "switch", "showcurrent"]


def run_callgrind(exe, phase, listed, workdir):
    out = os.path.join(workdir, f"cg.{phase}.{listed}")
    cmd = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", "--toggle-collect=Measured*",
           "--compress-strings=no", "--compress-pos=no", exe, phase, str(listed)]
    res = subprocess.run(cmd, capture_output=True, text=True)
    if res.returncode != 0:
        sys.exit(f"callgrind failed for {phase} {listed}:\n{res.stderr}")
    counts = res.stdout.strip()
    return parse(out), counts


def parse(path):
    """Self cost (Ir) per (file, line) and per function, from an uncompressed callgrind file."""
    by_line = collections.Counter()
    by_fn = collections.Counter()
    fl = fi = fn = None
    skip_next = False
    with open(path, errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if skip_next:  # the cost line after calls= is the callee's inclusive cost
                skip_next = False
                continue
            if line.startswith("fl="):
                fl = fi = line[3:]
            elif line.startswith(("fi=", "fe=")):
                fi = line[3:]
            elif line.startswith("fn="):
                fn = line[3:]
                fi = fl
            elif line.startswith("calls="):
                skip_next = True
            elif line[:1].isdigit() or line[:1] in "+-*":
                parts = line.split()
                if len(parts) >= 2 and parts[0].isdigit():
                    cost = int(parts[1])
                    by_line[(fi, int(parts[0]))] += cost
                    by_fn[fn] += cost
    return by_line, by_fn


def source_line(path, number, root):
    try:
        with open(path, errors="replace") as f:
            for i, text in enumerate(f, 1):
                if i == number:
                    return text.strip()[:70]
    except OSError:
        pass
    return ""


def flag(ratio, cost, total, limit):
    """Marks a ratio above the limit; one under 0.1 % of the phase is marked negligible."""
    if ratio <= limit:
        return ""
    return "  superlinear" if cost * 1000 >= total else "  superlinear, negligible (<0.1 % of phase)"


def short_fn(name, width=70):
    name = re.sub(r"\(.*", "", name)
    return name if len(name) <= width else name[: width - 3] + "..."


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(here)
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(root, "build", "host"))
    ap.add_argument("--small", type=int, default=500)
    ap.add_argument("--large", type=int, default=5000)
    ap.add_argument("--phase", action="append", choices=PHASES)
    ap.add_argument("--flag", type=float, default=20.0)
    ap.add_argument("--lines", type=int, default=12, help="source lines shown per phase")
    args = ap.parse_args()
    exe = os.path.join(args.build, "bench", "velmora_work_counts")
    if not os.path.exists(exe):
        sys.exit(f"{exe} not found: cmake --preset host && cmake --build --preset host")

    with tempfile.TemporaryDirectory() as tmp:
        for phase in args.phase or PHASES:
            (small_lines, small_fns), small_counts = run_callgrind(exe, phase, args.small, tmp)
            (large_lines, large_fns), large_counts = run_callgrind(exe, phase, args.large, tmp)
            total_s, total_l = sum(small_fns.values()), sum(large_fns.values())
            print(f"== {phase}: {total_s:,} -> {total_l:,} instructions, x{total_l / max(total_s, 1):.1f}")
            print(f"   {small_counts}\n   {large_counts}")
            print(f"   {'Ir@' + str(args.small):>12} {'Ir@' + str(args.large):>14} {'ratio':>7}  source line (project files)")
            project = [k for k in large_lines if k[0] and k[0].startswith(root + "/")]
            project.sort(key=lambda k: -large_lines[k])
            for key in project[: args.lines]:
                s, l = small_lines.get(key, 0), large_lines[key]
                ratio = l / s if s else float("inf")
                mark = flag(ratio, l, total_l, args.flag)
                rel = os.path.relpath(key[0], root)
                print(f"   {s:>12,} {l:>14,} {ratio:>7.1f}  {rel}:{key[1]}  {source_line(key[0], key[1], root)}{mark}")
            print(f"   {'':>12} {'':>14} {'':>7}  functions (self cost, inlined code counted in its caller)")
            for name, l in large_fns.most_common(args.lines):
                s = small_fns.get(name, 0)
                ratio = l / s if s else float("inf")
                mark = flag(ratio, l, total_l, args.flag)
                print(f"   {s:>12,} {l:>14,} {ratio:>7.1f}  {short_fn(name)}{mark}")
            print()


if __name__ == "__main__":
    main()
