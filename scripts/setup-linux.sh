#!/usr/bin/env bash
# Installs what building and testing the native Linux velmora needs on Debian, and nothing that
# is already there. Safe to run again: a second run only checks and returns in seconds.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi

# Build: compiler, CMake, Qt 6 Widgets and D-Bus, X11 and XRandR headers.
# Tests: Xvfb, Xorg with the dummy video driver (several outputs), xrandr, xdotool, a tray host, screenshots, the screen-saver query library,
# Japanese fonts, python3; for the GNOME tests GNOME Shell and mutter (nested on Xvfb), Qt's
# Wayland platform, GNOME Shell's tray-icon extension, a bare StatusNotifierWatcher, and gdbus,
# gsettings and dbus-daemon; for the Cinnamon tests muffin, the schemas it needs and python3-gi (a
# stand-in for Cinnamon's bus name, and for the power service KDE's display daemon asks); for the Xfce,
# MATE and KDE tests their settings stores and daemons.
# Package: CPack's dependency computation (dpkg-dev), and the checks of the .deb, its desktop
# entry, AppStream file and manual page (lintian, desktop-file-utils, appstream, man-db, groff).
for p in cmake ninja-build g++ pkg-config qt6-base-dev libx11-dev libxrandr-dev \
         qt6-qpa-plugins \
         xvfb xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-utils xdotool trayer imagemagick libxss1 \
         fonts-ipafont-gothic python3 \
         mutter gnome-shell gnome-shell-extension-appindicator qt6-wayland haskell-status-notifier-item-utils libglib2.0-bin dbus-daemon \
         muffin cinnamon-settings-daemon python3-gi xfconf xfce4-settings mate-settings-daemon kded5 kscreen \
         dpkg-dev lintian desktop-file-utils appstream man-db groff-base; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
echo "setup-linux: all build and test tools for the Linux build present"
