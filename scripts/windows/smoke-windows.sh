#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The smoke test of a packed Windows program: kelvo.exe from the zip, under Wine on a
# virtual display (Xvfb), with COM1 mapped to a Linux kelvo-meter-sim (a W58 meter) and a
# config.ini in the Wine user's %APPDATA%\Kelvo set to COM1. It connects the way a user
# does, with the keyboard: Alt+C opens the 通讯 menu and C chooses 连接. It then waits for
# the meter to answer the live-value polls, saves a screenshot and fails when no poll was
# answered, the screen stayed blank or the title does not name the zip's version. Prints the
# cold start time: from launching kelvo.exe, with no Wine process running, to its window on
# the screen.
#
#   scripts/windows/smoke-windows.sh <kelvo zip> <linux kelvo-meter-sim> <screenshot.png>
#
# Chinese text needs a CJK font in Linux that Wine can use (fonts-wqy-microhei, installed
# before the Wine prefix is made: scripts/windows/setup-windows-tools.sh), and Wine's
# dialog font pointed at it (wine_use_dialog_font in wine-env.sh), or edit boxes show no
# text under a Wine that lacks Tahoma.
set -Eeuo pipefail
zip=$1
meter_sim=$2
shot=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/wine-env.sh
. "$here/wine-env.sh"

work=$(mktemp -d)
pids=()
cleanup() {
  wine_stop
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

unzip -q "$zip" -d "$work"
kelvo=$(find "$work" -name kelvo.exe | head -n 1)

# A display number nobody uses.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=:$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done

wine_start "$wine_cache/wine-package"
wine_use_dialog_font "WenQuanYi Micro Hei"
ports=$WINEPREFIX/kelvo-ports
mkdir -p "$ports"
wine_map_port COM1 "$ports/com1"

rm -f "$ports/com1"
"$meter_sim" --link "$ports/com1" --kind w58 --trace >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -L "$ports/com1" ] && break; sleep 0.05; done

# The settings a user would have made in 串口设置.
settings=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Kelvo
mkdir -p "$settings"
printf '%s\r\n' '[ComSet]' 'Addr=8' 'COM=COM1' 'BaudRate=9600' 'Parity=0' 'ReadTotalTimeoutConstant=100' \
  'Swap=1' '' '[MeterType]' 'Type=1' >"$settings/config.ini"

# Cold: no Wine server, no Wine process.
wine_stop
"$wineserver" -w >/dev/null 2>&1 || true
started=$(date +%s%N)
"$wine64" "$kelvo" >"$work/kelvo.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Kelvo' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.05
done
shown=$(date +%s%N)
if [ -z "$window" ]; then
  echo "kelvo.exe showed no window within 30 s" >&2
  cat "$work/kelvo.log" >&2
  exit 1
fi
awk -v ns=$((shown - started)) 'BEGIN { printf "cold start %.2f s (launch to window, Wine server not running)\n", ns / 1e9 }'
# The version the zip's name carries is the one the window shows.
version=$(basename "$zip" | sed -n 's/^kelvo-\(.*\)-windows-x64\.zip$/\1/p')
title=$(xdotool getwindowname "$window")
echo "window title: $title"
if [ -n "$version" ] && [ "$title" != "Kelvo v$version" ]; then
  echo "the window's title is not \"Kelvo v$version\"" >&2
  exit 1
fi

answered() { grep -ci 'kelvo-meter-sim: tx 08 04' "$work/sim.log" || true; }
# The live values' group: the left third of the window, below the toolbar.
eval "$(xdotool getwindowgeometry --shell "$window")"
live_area="$((WIDTH / 3))x$((HEIGHT * 6 / 10))+$X+$((Y + HEIGHT / 5))"
sleep 2
import -window root "$work/before.png"
# Keys reach the window that has the focus; with no window manager, xdotool gives it.
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key --clearmodifiers alt+c
sleep 0.5
xdotool key c
# A W58 polling cycle is four reads; a few whole cycles, then the display's next tick.
for _ in $(seq 300); do
  [ "$(answered)" -ge 12 ] && break
  sleep 0.1
done
polls=$(answered)
sleep 2
import -window root "$shot"
colours=$(convert "$shot" -format %k info:)
# Pixels of the live values' group that the values changed (compare prints them on stderr
# and exits 1 when the pictures differ).
convert "$work/before.png" -crop "$live_area" "$work/live-before.png"
convert "$shot" -crop "$live_area" "$work/live-after.png"
changed=$(compare -metric AE "$work/live-before.png" "$work/live-after.png" null: 2>&1 || true)
changed=${changed%%.*}
echo "live-value answers from the meter: $polls; pixels the values changed: $changed;" \
     "screenshot $shot: $colours colours"
if [ "$polls" -lt 12 ]; then
  echo "no live values: the meter answered $polls live-value reads" >&2
  tail -n 20 "$work/sim.log" >&2
  exit 1
fi
if [ "$colours" -lt 16 ] || [ "${changed:-0}" -lt 500 ]; then
  echo "no live value appeared in the window" >&2
  exit 1
fi
echo "smoke test passed"
