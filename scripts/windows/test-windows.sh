#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows part of CI, also run alone: cross-builds Kelvo's Qt-free parts (the core,
# kelvo-cli and their tests) for Windows with mingw-w64 and runs them under Wine:
#   - the suites that need no pseudo-terminal, through ctest;
#   - the Win32 serial port's own suite on COM1, a Wine COM port mapped to the
#     pseudo-terminal of tests/link/line_peer, a small Linux program at the far end;
#   - kelvo-cli.exe scan and monitor on COM2, mapped to a Linux kelvo-meter-sim;
#   - kelvo-cli.exe through the network transports: scan and monitor with --tcp against
#     socat bridging a loopback port to a Linux kelvo-meter-sim, monitor and backup with
#     --modbus-tcp against the pymodbus peer (tests/link/modbus_tcp_peer.py), all on 127.0.0.1;
#   - the link read benchmark at 9600 baud on COM2 (printed; it fails the run only when
#     a read fails).
# The GUI is left out: its static Qt for Windows takes about 50 minutes to build once
# (scripts/package-windows.sh does that).
#
#   scripts/windows/test-windows.sh [linux-build-folder]   (default: build)
#
# The Linux build folder provides kelvo-meter-sim and line_peer; the Windows build goes to
# build-windows (KELVO_WINDOWS_BUILD), the Wine prefix to ~/.cache/kelvo/wine-test.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
linux_build=${1:-build}
win_build=${KELVO_WINDOWS_BUILD:-build-windows}
jobs=$(nproc)
started=$(date +%s)

scripts/windows/setup-windows-tools.sh
# shellcheck source=scripts/windows/wine-env.sh
. scripts/windows/wine-env.sh

echo "== Linux far ends of the COM ports"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target kelvo-meter-sim line_peer
meter_sim=$root/$linux_build/sim/kelvo-meter-sim
line_peer=$root/$linux_build/tests/link/line_peer

echo "== Windows build (mingw-w64, without Qt)"
cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_GUI=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$win_build" -j "$jobs"

echo "== Wine"
wine_start "$wine_cache/wine-test"
ports=$WINEPREFIX/kelvo-ports
mkdir -p "$ports"
wine_map_port COM1 "$ports/com1"
wine_map_port COM2 "$ports/com2"

pids=()
logs=$(mktemp -d)
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  wine_stop
  rm -rf "$logs"
}
trap cleanup EXIT

# Starts a Linux far end in the background and waits until its link is there.
start_far_end() {  # link, log, command...
  local link=$1 log=$2; shift 2
  rm -f "$link"
  "$@" >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -L "$link" ] && return 0; sleep 0.05; done
  echo "the far end did not come up: $*" >&2
  cat "$log" >&2
  return 1
}

stop_last_far_end() {
  local last=$((${#pids[@]} - 1))
  kill "${pids[$last]}" 2>/dev/null || true
  wait "${pids[$last]}" 2>/dev/null || true
  unset "pids[$last]"
}

echo "== Windows suites under Wine"
start_far_end "$ports/com1" "$logs/line_peer.log" "$line_peer" --link "$ports/com1"
status=0
KELVO_TEST_COM_PORT=COM1 ctest --test-dir "$win_build" --output-on-failure -j "$jobs" || status=$?
stop_last_far_end
[ "$status" -eq 0 ] || exit "$status"

kelvo_cli=$win_build/src/cli/kelvo-cli.exe
# No stored settings: the commands run on what their options say.
rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Kelvo"

echo "== kelvo-cli.exe scan: a meter at address 17 that hears only 4800 baud"
start_far_end "$ports/com2" "$logs/sim-scan.log" "$meter_sim" --link "$ports/com2" --kind generic \
  --address 17 --only-baud 4800
"$wine64" "$kelvo_cli" scan --port COM2 --address 15-18 --baud 2400,4800,9600 | tee "$logs/scan.txt"
grep -q "地址 17 波特率 4800" "$logs/scan.txt" || { echo "scan did not find the meter at address 17, 4800 baud" >&2; exit 1; }

echo "== kelvo-cli.exe monitor: the same meter polled for 3 seconds"
"$wine64" "$kelvo_cli" monitor --port COM2 --address 17 --baud 4800 --kind generic --seconds 3 | tee "$logs/monitor.txt"
stop_last_far_end
# An answer of address 17 to a live-value read (function 04), as the monitor prints it.
grep -q "接收.* 11 04 " "$logs/monitor.txt" || { echo "monitor showed no answer of address 17" >&2; exit 1; }

# A port on 127.0.0.1 that nobody uses now, and a wait until a peer listens on it, looked up
# in the socket table: a connect only to look would make socat bridge it to the meter's
# line, where it could take an answer meant for the next connection.
free_port() { /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_port() {
  local local_address
  local_address=$(printf '0100007F:%04X' "$1")
  for _ in $(seq 100); do
    awk -v a="$local_address" '$2 == a && $4 == "0A" { found = 1 } END { exit !found }' /proc/net/tcp && return 0
    sleep 0.05
  done
  echo "nothing listens on 127.0.0.1:$1" >&2
  return 1
}

echo "== kelvo-cli.exe --tcp: a serial server (socat) in front of a meter at address 17"
start_far_end "$ports/sim-net" "$logs/sim-net.log" "$meter_sim" --link "$ports/sim-net" --kind generic --address 17
serial_server=$(free_port)
socat "TCP-LISTEN:$serial_server,bind=127.0.0.1,reuseaddr,fork" "FILE:$ports/sim-net,rawer" >"$logs/socat.log" 2>&1 &
serial_server_pid=$!
pids+=($serial_server_pid)
wait_port "$serial_server"
"$wine64" "$kelvo_cli" scan --tcp "127.0.0.1:$serial_server" --address 15-18 --turnaround 20 | tee "$logs/scan-tcp.txt"
grep -q "地址 17 经由 127.0.0.1:$serial_server" "$logs/scan-tcp.txt" || { echo "scan --tcp did not find the meter" >&2; exit 1; }
# socat serves each connection from a child of its own, which lingers half a second after the
# scan's connection closed and still reads the meter's pseudo-terminal: the next connection's
# answers would go to it. A converter has one serial port and no such child; wait it out (5 s
# at most).
for _ in $(seq 50); do pgrep -P "$serial_server_pid" >/dev/null || break; sleep 0.1; done
"$wine64" "$kelvo_cli" monitor --tcp "127.0.0.1:$serial_server" --address 17 --kind generic --seconds 2 | tee "$logs/monitor-tcp.txt"
grep -q "接收.* 11 04 " "$logs/monitor-tcp.txt" || { echo "monitor --tcp showed no answer of address 17" >&2; exit 1; }
stop_last_far_end  # socat
stop_last_far_end  # the meter

echo "== kelvo-cli.exe --modbus-tcp: a Modbus TCP server of pymodbus"
gateway=$(free_port)
/usr/bin/python3 tests/link/modbus_tcp_peer.py --port "$gateway" >"$logs/pymodbus.log" 2>&1 &
pids+=($!)
wait_port "$gateway"
"$wine64" "$kelvo_cli" monitor --modbus-tcp "127.0.0.1:$gateway" --kind generic --seconds 2 | tee "$logs/monitor-mbap.txt"
grep -q "接收.*MBAP 事务 .*应答 118 字节" "$logs/monitor-mbap.txt" || { echo "monitor --modbus-tcp showed no answer" >&2; exit 1; }
"$wine64" "$kelvo_cli" backup -o "$logs/gateway.ini" --modbus-tcp "127.0.0.1:$gateway" --kind generic | tee "$logs/backup-mbap.txt"
grep -q "已备份" "$logs/backup-mbap.txt" || { echo "backup --modbus-tcp failed" >&2; exit 1; }
stop_last_far_end

echo "== link read benchmark on the Win32 port"
start_far_end "$ports/com2" "$logs/sim-bench.log" "$meter_sim" --link "$ports/com2" --baud 9600
# Printed, not judged: a timing is no test. A read that fails is.
"$wine64" "$win_build/benchmarks/win32_link_read_benchmark.exe" COM2 20 | tee "$logs/bench.txt" || true
stop_last_far_end
grep -q "overhead ratio" "$logs/bench.txt" || { echo "the benchmark's reads failed" >&2; exit 1; }

echo "Windows part done in $(($(date +%s) - started)) s."
