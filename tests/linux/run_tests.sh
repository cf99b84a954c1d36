#!/usr/bin/env bash
# Builds the X11 velmora (the linux preset) and the menu reader its tests preload, then runs its end-to-end
# tests under Xvfb. The last line reads "N passed, M failed"; the exit status is non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
mkdir -p build
log=build/linux-build.log
if ! { cmake --preset linux >"$log" 2>&1 && cmake --build --preset linux --parallel >>"$log" 2>&1 &&
       g++ -std=c++20 -O1 -Wall -Wextra -shared -fPIC -o build/linux/menu_reader.so tests/linux/menu_reader.cpp \
         $(pkg-config --cflags --libs Qt6Widgets) >>"$log" 2>&1; }; then
  tail -40 "$log"
  echo "0 passed, 1 failed"
  exit 1
fi
python3 tests/linux/test_velmora_linux.py "$@"
