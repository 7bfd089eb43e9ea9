#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kelvo and runs every test: once with the address and undefined-behaviour
# sanitizers, the threaded tests once more with the thread sanitizer, the whole suite in
# the normal build, then the Debian package is built and checked (scripts/package-debian.sh
# --no-chroot: lintian, desktop-file-validate, appstreamcli, the manual pages), and last the
# Windows part (scripts/windows/test-windows.sh: the Qt-free parts cross-built with
# mingw-w64 and tested under Wine). The summaries end the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Every source file carries its licence line (scripts/spdx.sh add gives it to new ones).
scripts/spdx.sh check

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

configure_and_build() {  # folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== address and undefined-behaviour sanitizers"
configure_and_build build-asan -DKELVO_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== thread sanitizer (threaded tests)"
configure_and_build build-tsan -DKELVO_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads --no-tests=ignore

echo "== normal build"
configure_and_build build
log=$(mktemp)
windows_log=$(mktemp)
trap 'rm -f "$log" "$windows_log" "${debian_log:-}"' EXIT
status=0
ctest --test-dir build --output-on-failure -j "$jobs" 2>&1 | tee "$log" || status=${PIPESTATUS[0]}

echo "== Debian package (without tests; lintian and the validators)"
debian_log=$(mktemp)
debian_started=$SECONDS
debian_status=0
scripts/package-debian.sh --no-chroot 2>&1 | tee "$debian_log" || debian_status=${PIPESTATUS[0]}
debian_minutes=$(awk -v s=$((SECONDS - debian_started)) 'BEGIN { printf "%.1f", s / 60 }')

echo "== Windows (mingw-w64, under Wine)"
windows_status=0
scripts/windows/test-windows.sh build 2>&1 | tee "$windows_log" || windows_status=${PIPESTATUS[0]}

# ctest lists skipped tests after its summary; repeat the summaries so that they end the run.
echo
echo "Linux:   $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)"
echo "Debian:  $(grep -E '^checks passed' "$debian_log" | tail -n 1 || echo "the package failed (exit status $debian_status)") ($debian_minutes minutes)"
echo "Windows: $(grep -E 'tests passed|No tests were found' "$windows_log" | tail -n 1)"
[ "$windows_status" -eq 0 ] || echo "Windows: the part failed (exit status $windows_status)"
[ "$status" -eq 0 ] || exit "$status"
[ "$debian_status" -eq 0 ] || exit "$debian_status"
exit "$windows_status"
