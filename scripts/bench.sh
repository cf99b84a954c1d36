#!/usr/bin/env bash
# Every performance figure in one run: the core benchmarks over the fake platform, then Velmora.exe
# under Wine against the baseline program (times, size, imported DLLs, resident memory).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset host >/dev/null && cmake --build --preset host -j "$(nproc)" --target velmora_bench >/dev/null
build/host/bench/velmora_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
bench/wine_bench.sh "$@"
