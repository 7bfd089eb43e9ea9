#!/usr/bin/env bash
# Builds Kelvo's Windows program on Debian 12 and packs it, in one command:
#   dist/kelvo-<version>-windows-x64.zip        kelvo.exe, kelvo-cli.exe, README.txt, LICENSES.txt
#   dist/kelvo-<version>-windows-x64-setup.exe  the same as a per-user installer (NSIS)
#   dist/windows-smoke.png                      the zip's kelvo.exe under Wine, connected
# then smoke-tests the zip's kelvo.exe under Wine against the Linux simulated meter
# (scripts/windows/smoke-windows.sh) and prints the package's size and the program's cold
# start time.
#
# On a fresh machine it installs its tools first and builds a static Qt for Windows from
# Debian's source once: about 50 minutes on two cores, cached in ~/.cache/kelvo
# (KELVO_CACHE_DIR). Later runs take a few minutes.
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
cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_GUI=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DKELVO_WINDOWS_QT_DIR="$qt_dir" >/dev/null
cmake --build "$win_build" -j "$jobs" --target kelvo kelvo-cli

echo "== Linux simulated meter for the smoke test"
cmake -S . -B "$sim_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_GUI=OFF >/dev/null
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
crlf <scripts/windows/README-windows.txt >"$stage/README.txt"
{
  echo "Kelvo $version for Windows contains, linked statically:"
  echo "  - Qt $(basename "$qt_dir" | sed 's/^qt6-windows-//') (qtbase), LGPL-3.0, built from Debian's qt6-base source package"
  echo "    (apt-get source qt6-base) by scripts/windows/build-qt-windows.sh of the Kelvo sources;"
  echo "  - the GCC runtime (libstdc++, libgcc), GPL-3.0 with the GCC Runtime Library Exception 3.1;"
  echo "  - the mingw-w64 runtime and winpthreads;"
  echo "  - SimpleIni, MIT."
  for doc in qt6-base-dev gcc-mingw-w64-base mingw-w64-common libsimpleini-dev; do
    echo
    echo "======== $doc: /usr/share/doc/$doc/copyright (Debian)"
    cat "/usr/share/doc/$doc/copyright"
  done
  for text in LGPL-3 GPL-3; do
    echo
    echo "======== $text"
    cat "/usr/share/common-licenses/$text"
  done
} | crlf >"$stage/LICENSES.txt"

rm -f "$dist/$name.zip" "$dist/$name-setup.exe"
(cd "$scratch" && zip -q -r -X -9 "$dist/$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dist/$name-setup.exe" scripts/windows/kelvo.nsi

echo "== Smoke test of the zip under Wine"
scripts/windows/smoke-windows.sh "$dist/$name.zip" "$root/$sim_build/sim/kelvo-meter-sim" "$dist/windows-smoke.png" \
  | tee "$scratch/smoke.txt"

echo
echo "Package:"
size() {  # label, file
  awk -v label="$1" -v bytes="$(stat -c %s "$2")" 'BEGIN { printf "  %-44s %6.1f MB\n", label, bytes / 1048576 }'
}
size "$name.zip" "$dist/$name.zip"
size "$name-setup.exe" "$dist/$name-setup.exe"
size "kelvo.exe (unpacked)" "$stage/kelvo.exe"
size "kelvo-cli.exe (unpacked)" "$stage/kelvo-cli.exe"
grep '^cold start' "$scratch/smoke.txt" | sed 's/^/  kelvo.exe /'
echo "  screenshot: dist/windows-smoke.png"
