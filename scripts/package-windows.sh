#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kelvo's Windows programs on Debian 12 and packs them, in one command:
#   dist/kelvo-<version>-windows-x64.zip          kelvo.exe, kelvo-cli.exe, README.txt,
#                                                 COPYING, THIRD-PARTY.md
#   dist/kelvo-<version>-windows-x64-setup.exe    the same as a per-user installer (NSIS)
#   dist/kelvo-<version>-windows-x64-sources.tar.xz  Kelvo's source, the Debian source
#                                                 packages of the Qt linked in and how it was
#                                                 built (scripts/windows/sources-archive.sh)
#   dist/windows-smoke.png                        the zip's kelvo.exe under Wine, connected
# then checks them under Wine: the zip's kelvo.exe against the Linux simulated meter
# (scripts/windows/smoke-windows.sh), kelvo-cli.exe --version, and the installer's silent
# install, uninstall entry and uninstall (scripts/windows/installer-check.sh). Prints the
# package's size and the program's cold start time; the last lines name the checks passed.
#
# On a fresh machine it installs its tools first and builds a static Qt for Windows from
# Debian's source once: about 50 minutes on two cores, cached in ~/.cache/kelvo
# (KELVO_CACHE_DIR). Later runs take a few minutes. The source archive wants a committed
# tree (KELVO_ALLOW_DIRTY=1 packs HEAD anyway and says so).
#
# Build folders: build-windows-package (KELVO_PACKAGE_BUILD) for Windows, build-linux-sim
# (KELVO_SIM_BUILD) for the Linux kelvo-meter-sim of the smoke test.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
version=$(sed -n 's/^project(Kelvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=kelvo-$version-windows-x64
win_build=${KELVO_PACKAGE_BUILD:-build-windows-package}
sim_build=${KELVO_SIM_BUILD:-build-linux-sim}
dist=$root/dist

scripts/setup.sh
scripts/windows/setup-windows-tools.sh
qt_dir=$(scripts/windows/build-qt-windows.sh | tail -n 1)

echo "== Windows build against $qt_dir"
cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_GUI=ON -DKELVO_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DKELVO_WINDOWS_QT_DIR="$qt_dir" >/dev/null
cmake --build "$win_build" -j "$jobs" --target kelvo kelvo-cli

echo "== Linux simulated meter for the smoke test"
cmake -S . -B "$sim_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_GUI=OFF -DKELVO_TESTS=OFF >/dev/null
cmake --build "$sim_build" -j "$jobs" --target kelvo-meter-sim

echo "== Packing $name"
mkdir -p "$dist"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stage=$scratch/$name
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/kelvo.exe" "$win_build/src/ui/kelvo.exe"
x86_64-w64-mingw32-strip -o "$stage/kelvo-cli.exe" "$win_build/src/cli/kelvo-cli.exe"
# Texts with Windows line breaks, so that Notepad of any age shows them as lines.
crlf() { sed 's/\r$//; s/$/\r/'; }
crlf <packaging/windows/README-windows.txt >"$stage/README.txt"
crlf <COPYING >"$stage/COPYING"
crlf <THIRD-PARTY.md >"$stage/THIRD-PARTY.md"

rm -f "$dist/$name.zip" "$dist/$name-setup.exe"
(cd "$scratch" && zip -q -r -X -9 "$dist/$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dist/$name-setup.exe" packaging/windows/kelvo.nsi

echo "== Source archive"
scripts/windows/sources-archive.sh "$qt_dir" "$dist/$name-sources.tar.xz" qt6-base

echo "== Smoke test of the zip under Wine"
scripts/windows/smoke-windows.sh "$dist/$name.zip" "$root/$sim_build/sim/kelvo-meter-sim" "$dist/windows-smoke.png" \
  | tee "$scratch/smoke.txt"
echo "== The installer under Wine"
scripts/windows/installer-check.sh "$dist/$name-setup.exe" "$version"

echo
echo "Package:"
size() {  # label, file
  awk -v label="$1" -v bytes="$(stat -c %s "$2")" 'BEGIN { printf "  %-48s %6.1f MB\n", label, bytes / 1048576 }'
}
size "$name.zip" "$dist/$name.zip"
size "$name-setup.exe" "$dist/$name-setup.exe"
size "$name-sources.tar.xz" "$dist/$name-sources.tar.xz"
size "kelvo.exe (unpacked)" "$stage/kelvo.exe"
size "kelvo-cli.exe (unpacked)" "$stage/kelvo-cli.exe"
grep '^cold start' "$scratch/smoke.txt" | sed 's/^/  kelvo.exe /'
echo "  screenshot: dist/windows-smoke.png"
# Reached only when every check above passed (set -e).
echo "checks passed (zip): kelvo.exe under Wine titled \"Kelvo v$version\", connected to a simulated meter, live values shown"
echo "checks passed (installer): silent install with COPYING and THIRD-PARTY.md, kelvo-cli.exe --version," \
  "uninstall entry with version and publisher, silent uninstall"
