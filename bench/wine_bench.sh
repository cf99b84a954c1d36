#!/usr/bin/env bash
# End-to-end benchmark of Velmora.exe under Wine against two baselines: the display calls alone, and
# the same calls with the hidden window and tray icon of the /s path.
#
#   bench/wine_bench.sh [--runs N] [--build-dir DIR | --no-build] [--keep-prefix]
#
# Builds the 64-bit Windows programs, starts its own Xvfb and Wine prefix, alternates
# "Velmora.exe /s1024,768,16" with the baselines, and reports times, both ratios, size, imports and memory.
# See bench/wine_bench.py for the details; this wrapper only finds it.
set -euo pipefail
exec python3 "$(dirname "$(readlink -f "$0")")/wine_bench.py" "$@"
