#!/usr/bin/env bash
# Builds the X11 velmora (the linux preset) and runs its end-to-end tests under Xvfb.
# The last line reads "N passed, M failed"; the exit status is non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"

mkdir -p build
log=build/linux-build.log
if ! { cmake --preset linux >"$log" 2>&1 && cmake --build --preset linux --parallel >>"$log" 2>&1; }; then
  tail -40 "$log"
  echo "0 passed, 1 failed"
  exit 1
fi

mkdir -p artifacts/linux
python3 tests/linux/test_package.py "$@" || exit 1
python3 tests/linux/test_velmora_linux.py "$@"
