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

export WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora/wine-$arch}" WINEARCH="$arch"
export WINELOADER="$loader" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

pids=()
cleanup() {
  "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
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

if [ ! -f "$WINEPREFIX/.velmora-ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot -i >/dev/null 2>&1
  reg() { "$loader" reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
  # Every program in one 1280x1024 virtual desktop with a taskbar and a notification area.
  reg 'HKCU\Software\Wine\Explorer' Desktop Default
  reg 'HKCU\Software\Wine\Explorer\Desktops' Default 1280x1024
  # The Japanese Windows fonts the program asks for, drawn with the IPA fonts of the same kind.
  fonts='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  for name in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do reg "$fonts" "$name" IPAPGothic; done
  for name in 'ＭＳ ゴシック' 'MS Gothic'; do reg "$fonts" "$name" IPAGothic; done
  # The desktop settings take effect when the prefix's server starts again.
  "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
  touch "$WINEPREFIX/.velmora-ready"
fi

set +e
"$loader" "build/$preset/Velmora.exe" "$@"
status=$?
set -e
echo "Velmora.exe ended with exit status $status"
exit "$status"
