#!/usr/bin/env bash
# Builds Velmora.exe and runs it under Wine in a 1280x1024 virtual desktop, Japanese locale.
# Uses $DISPLAY when there is one; otherwise a private Xvfb, whose screen is saved every 2 seconds
# to artifacts/run/screen.png (open it to see the tray and the menu).
# Arguments go to Velmora.exe:  bash scripts/run.sh /s1024,768,16
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null

# The 32-bit program where the kernel runs 32-bit code; the 64-bit one otherwise.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=win32 arch=win32 loader=/usr/lib/wine/wine
else
  preset=win64 arch=win64 loader=/usr/lib/wine/wine64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" >/dev/null

prefix="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora/wine-$arch}"

pids=()
cleanup() {
  WINEPREFIX="$prefix" "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  n=100
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  mkdir -p artifacts/run
  (while sleep 2; do import -window root artifacts/run/screen.tmp.png 2>/dev/null &&
     mv artifacts/run/screen.tmp.png artifacts/run/screen.png; done) &
  pids+=($!)
  echo "Velmora runs on a private X server $DISPLAY; its screen: artifacts/run/screen.png"
fi

set +e
# The prefix made or brought up to date first, the same as the tests' and the benchmark's. Only
# the Wine side gets WINEPREFIX: making the prefix ends every other process that has it.
WINEPREFIX="$prefix" WINEARCH="$arch" python3 scripts/wine_prefix.py "$loader" "build/$preset/Velmora.exe" "$@"
status=$?
set -e
echo "Velmora.exe ended with exit status $status"
exit "$status"
