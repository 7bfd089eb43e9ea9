#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kelvo and starts it.
#
#   scripts/run.sh          against a simulated W58 meter, with a private settings folder
#                           (.run/config) whose port COM1 leads to the simulator; the
#                           user's own settings are never touched
#   scripts/run.sh --real   for a real meter, with the user's own settings
#
# Without a display (no DISPLAY, no WAYLAND_DISPLAY) Kelvo runs under xvfb-run.
# KELVO_BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=simulated
case "${1:-}" in
  "") ;;
  --real) mode=real ;;
  -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "usage: $0 [--real]" >&2; exit 2 ;;
esac

scripts/setup.sh
build=${KELVO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(kelvo)
[ "$mode" = simulated ] && targets+=(kelvo-meter-sim)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
kelvo_program=$build/src/ui/kelvo

launcher=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are empty): Kelvo runs under xvfb-run," \
       "invisible; close it with Ctrl+C."
  launcher=(xvfb-run -a)
fi

if [ "$mode" = real ]; then
  exec "${launcher[@]}" "$kelvo_program"
fi

# A private settings folder: Kelvo's COM1 is the simulator's pseudo-terminal.
config=$root/.run/config
mkdir -p "$config/Kelvo/ports"
if [ ! -f "$config/Kelvo/config.ini" ]; then
  printf '[MeterType]\nType=1\n' > "$config/Kelvo/config.ini"
fi
port_link=$config/Kelvo/ports/COM1

ready_pipe=$root/.run/simulator-ready
rm -f "$ready_pipe"
mkfifo "$ready_pipe"
"$build/sim/kelvo-meter-sim" --kind w58 --link "$port_link" > "$ready_pipe" &
simulator=$!
kelvo=
# Runs however the script ends (Kelvo closed, Ctrl+C, TERM, a failed step): every step
# here must run even when one before it fails, so errexit is off inside.
stop_all() {
  set +e
  if [ -n "$kelvo" ]; then
    # xvfb-run does not pass a signal on to Kelvo and its X server: they go first.
    pkill -TERM -P "$kelvo" 2>/dev/null
    kill "$kelvo" 2>/dev/null
    wait "$kelvo" 2>/dev/null
  fi
  kill "$simulator" 2>/dev/null
  wait "$simulator" 2>/dev/null
  rm -f "$ready_pipe"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The simulator prints one line once it serves.
exec 3< "$ready_pipe"
if ! read -r -t 10 ready_line <&3; then
  echo "run.sh: the simulated meter did not start" >&2
  exit 1
fi
echo "$ready_line"

# In the background, so that a signal to this script stops Kelvo and the simulator too.
XDG_CONFIG_HOME=$config "${launcher[@]}" "$kelvo_program" &
kelvo=$!
status=0
wait "$kelvo" || status=$?
kelvo=
exit "$status"
