#!/usr/bin/env bash
# Installs what building and testing Velmora needs on Debian, and nothing that is already there.
# Safe to run again: a second run only checks and returns in seconds.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated_arch=1
fi

for p in cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev clang clang-format \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools \
         wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic \
         locales python3 python3-pefile zip unzip; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Japanese for the program's own sessions, English for the one that checks another code page.
for loc in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done
echo "setup: all build and test tools present"
