#!/usr/bin/env bash
# Builds the fuzz preset and runs the command-line fuzz target for a bounded time (default 60 s); prints the
# executions run and exits non-zero on any crash, timeout or sanitizer report.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=build/fuzz/fuzz-run
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)" --target command_line_fuzz || exit 1
mkdir -p "$out/corpus" "$out/artifacts"
# New inputs go to the build folder's corpus; the committed seeds are only read.
build/fuzz/tests/fuzz/command_line_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=5 -print_final_stats=1 \
  -dict=tests/fuzz/command_line.dict -artifact_prefix="$out/artifacts/" "$out/corpus" tests/fuzz/corpus \
  >"$out/fuzz.log" 2>&1
status=$?
echo "fuzz: $(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log") executions in $seconds s"
[ "$status" -eq 0 ] && exit 0
grep -E -A 30 'ERROR:|runtime error:|==[0-9]+==' "$out/fuzz.log" | head -n 60 >&2
echo "fuzz: FAILED (exit status $status, log $out/fuzz.log)" >&2
exit 1
