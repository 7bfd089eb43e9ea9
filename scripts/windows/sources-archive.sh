#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the source archive that travels with the Windows package: Kelvo for Windows links
# Qt statically, and the GPL and the LGPL ask that whoever gets the programs can get the
# source they were built from and the means to build them again. The archive holds
#   kelvo-<version>/        Kelvo's source at the commit built (git archive of HEAD)
#   qt/                     Debian's source packages of every Qt module linked in, the
#                           .dsc, .orig.tar.* and .debian.tar.* exactly as the build fetched
#                           them, and <module>.build: its Debian version and configure line
#   README.txt              what is where, and how to build the programs again from it
# The scripts that built Qt are part of Kelvo's source (scripts/windows/build-qt-windows.sh,
# cmake/toolchain-mingw64.cmake).
#
#   scripts/windows/sources-archive.sh QT_DIR OUTPUT.tar.xz MODULE...
#
# QT_DIR is the Windows Qt of scripts/windows/build-qt-windows.sh; its source packages are
# in QT_DIR-sources. A working tree with uncommitted changes is refused, since the archive
# could not hold what was built; KELVO_ALLOW_DIRTY=1 packs HEAD anyway and says so.
set -Eeuo pipefail
[ $# -ge 3 ] || { echo "usage: $0 QT_DIR OUTPUT.tar.xz MODULE..." >&2; exit 2; }
qt_dir=$1
output=$2
shift 2
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(Kelvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
commit=$(git rev-parse HEAD)

dirty_note=""
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  if [ "${KELVO_ALLOW_DIRTY:-0}" != 1 ]; then
    echo "The working tree has uncommitted changes: commit them first, so that the source archive" \
      "holds what the programs were built from (or set KELVO_ALLOW_DIRTY=1 to pack HEAD anyway)." >&2
    exit 1
  fi
  dirty_note="NOTE: the programs were built from a working tree with changes not committed;
this archive holds the commit below without them."
  echo "Warning: uncommitted changes are not in the source archive (KELVO_ALLOW_DIRTY=1)." >&2
fi

name=$(basename "$output" .tar.xz)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stage=$scratch/$name
mkdir -p "$stage/qt"
git archive --format=tar --prefix="kelvo-$version/" HEAD | tar -xf - -C "$stage"

qt_lines=""
for module in "$@"; do
  marker=$qt_dir/.kelvo-$module-complete
  [ -f "$marker" ] || { echo "$module is not built in $qt_dir (no $marker)" >&2; exit 1; }
  dsc=$qt_dir-sources/$(sed -n 's/^dsc=//p' "$marker")
  # The .dsc and every file it names, as fetched; checked against its checksums.
  cp "$dsc" "$stage/qt/"
  awk '/^Checksums-Sha256:/ { listed = 1; next } listed && /^ / { print $3; next } { listed = 0 }' "$dsc" |
    while IFS= read -r file; do cp "$qt_dir-sources/$file" "$stage/qt/"; done
  awk '/^Checksums-Sha256:/ { listed = 1; next } listed && /^ / { print $1 "  " $3; next } { listed = 0 }' "$dsc" |
    (cd "$stage/qt" && sha256sum --check --quiet)
  cp "$marker" "$stage/qt/$module.build"
  qt_lines+="                  $(basename "$dsc") and the files it names; $module.build
"
done

qt_version=$(basename "$qt_dir" | sed 's/^qt6-windows-//')
cat >"$stage/README.txt" <<README
Kelvo $version for Windows (x64): the source of the programs kelvo.exe and kelvo-cli.exe
========================================================================================

${dirty_note:+$dirty_note

}$(printf '%-18s' "kelvo-$version/")Kelvo's source, commit $commit
qt/               Debian's source packages of the Qt $qt_version modules linked into the programs,
                  as the build fetched them from Debian 12 (bookworm):
$qt_lines                  (<module>.build: the module's Debian version and its whole configure line)

The programs were cross-built on Debian 12 with Debian's mingw-w64 (the -posix compilers;
their runtime, libstdc++, libgcc, winpthreads and the mingw-w64 CRT, is linked in and comes
from Debian's gcc-mingw-w64 and mingw-w64 packages). Qt was built by
kelvo-$version/scripts/windows/build-qt-windows.sh with the toolchain file
kelvo-$version/cmake/toolchain-mingw64.cmake: each module unpacked with dpkg-source -x (which
applies Debian's patches), configured with the line in qt/<module>.build, built with ninja and
installed into one prefix.

To build them again, on Debian 12:

    cd kelvo-$version
    mkdir -p ~/.cache/kelvo/qt6-windows-$qt_version-sources
    cp ../qt/*.dsc ../qt/*.tar.* ~/.cache/kelvo/qt6-windows-$qt_version-sources/
    scripts/package-windows.sh

The Qt build takes the source packages from that folder when they are complete (it checks
them against the .dsc) and fetches nothing; it takes about 50 minutes on two cores. A changed
Qt can be built the same way from a changed source folder and Kelvo linked against it.
Licences: kelvo-$version/COPYING and kelvo-$version/THIRD-PARTY.md.
README
mkdir -p "$(dirname "$output")"
# Most of it is Qt's tarballs, compressed already: a light level is as small and far quicker.
(cd "$scratch" && tar --owner=0 --group=0 --numeric-owner -cf - "$name" | xz -1 -T0 >"$output.part")
mv "$output.part" "$output"
echo "Wrote $output ($(du -h "$output" | cut -f1)): Kelvo at $commit, $(ls "$stage/qt" | grep -c '\.dsc$') Qt source package(s)."
