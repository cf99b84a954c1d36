#!/bin/sh
# gnome_switch.sh CONNECTOR MODE: what a script switching GNOME's mode with gdbus does, for bench/linux_bench.py:
# reads mutter's state for its serial, then applies the mode to that monitor alone, for the session.
set -e
dest="--session --dest org.gnome.Mutter.DisplayConfig --object-path /org/gnome/Mutter/DisplayConfig"
state=$(gdbus call $dest --method org.gnome.Mutter.DisplayConfig.GetCurrentState)
serial=$(echo "$state" | sed -n 's/^(uint32 \([0-9]*\),.*/\1/p')
gdbus call $dest --method org.gnome.Mutter.DisplayConfig.ApplyMonitorsConfig \
  "$serial" 1 "[(0, 0, 1.0, 0, true, [('$1', '$2', @a{sv} {})])]" "{}" >/dev/null
