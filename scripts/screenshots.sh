#!/usr/bin/env bash
# Regenerates the README's screenshots from the end-to-end tests: the open tray menu and the About
# window of Velmora.exe under Wine, copied from artifacts/e2e/ to docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "$(nproc)" >/dev/null
cmake --preset host >/dev/null && cmake --build --preset host -j "$(nproc)" >/dev/null
VELMORA_WINE_ARCH=win64 ctest --test-dir build/host -R '^e2e_(menu|about)$' --output-on-failure
mkdir -p docs/images
# The menu opens above the tray at the bottom right; the rest of the screen is empty desktop.
convert artifacts/e2e/menu_open.png -gravity SouthEast -crop 300x620+0+0 +repage docs/images/menu.png
cp artifacts/e2e/about_window.png docs/images/about.png
echo "docs/images/menu.png and docs/images/about.png updated"
