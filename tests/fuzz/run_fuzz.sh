#!/usr/bin/env bash
# Builds the fuzz preset and runs the command-line fuzz target for a bounded time.
# Usage: tests/fuzz/run_fuzz.sh [seconds]   (default 60)
# Prints the number of executions; exits non-zero on any crash, timeout or sanitizer report.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
case $seconds in '' | *[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;; esac

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "$(nproc)" --target command_line_fuzz || exit 1

out=build/fuzz/fuzz-run
mkdir -p "$out/corpus" "$out/artifacts"
log="$out/command_line_fuzz.log"

# New inputs go to the build folder's corpus; the committed seeds are only read.
build/fuzz/tests/fuzz/command_line_fuzz \
  -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
  -dict=tests/fuzz/command_line.dict -artifact_prefix="$out/artifacts/" \
  "$out/corpus" tests/fuzz/corpus >"$log" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
grep -E '^(INFO: seed corpus|#[0-9]+ +DONE|Done [0-9]+ runs)' "$log" | tail -n 3
echo "fuzz: ${runs:-0} executions in ${seconds} s (log: $log)"

if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|invariant broken' "$log"; then
  echo "fuzz: FAILED (exit status $status)" >&2
  grep -E -A 30 'ERROR:|runtime error:|invariant broken|==[0-9]+==' "$log" | head -n 60 >&2
  ls "$out/artifacts" >&2
  exit 1
fi
echo "fuzz: no crash, timeout or sanitizer report"
