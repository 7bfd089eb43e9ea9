#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The release, in one command on a Debian 12 machine:
#   dist/kelvo_<version>-1_amd64.deb                  scripts/package-debian.sh and its checks
#   dist/kelvo-<version>-windows-x64.zip              scripts/package-windows.sh and its checks
#   dist/kelvo-<version>-windows-x64-setup.exe
#   dist/kelvo-<version>-windows-x64-sources.tar.xz   opened again and compared with the
#                                                     Qt sources the build used and with HEAD
#   dist/SHA256SUMS                                   the checksums of those four files
# and a table at the end: file, size, checks passed. A release is a commit: a working tree
# with uncommitted changes is refused (KELVO_ALLOW_DIRTY=1 for a trial run, which the
# Windows source archive then says). On a fresh machine the static Qt for Windows takes
# about 50 minutes once; the rest about a quarter of an hour.
#
#   scripts/release.sh [--only debian|windows]     (--only: a trial of one half)
set -Eeuo pipefail
cd "$(dirname "$0")/.."
root=$PWD
only=""
case "${1:-}" in
  "") ;;
  --only) only=${2:-}; [ "$only" = debian ] || [ "$only" = windows ] || { echo "usage: $0 [--only debian|windows]" >&2; exit 2; } ;;
  *) echo "usage: $0 [--only debian|windows]" >&2; exit 2 ;;
esac

version=$(sed -n 's/^project(Kelvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
debian_version=$(sed -n '1s/^kelvo (\([^)]*\)).*/\1/p' packaging/debian/changelog)
windows=kelvo-$version-windows-x64
dist=$root/dist
if [ -n "$(git status --porcelain --untracked-files=no)" ] && [ "${KELVO_ALLOW_DIRTY:-0}" != 1 ]; then
  echo "The working tree has uncommitted changes: a release is built from a commit." >&2
  exit 1
fi
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
started=$SECONDS

declare -A checks=()
files=()
if [ "$only" != windows ]; then
  echo "==== Debian package"
  scripts/package-debian.sh | tee "$logs/debian.txt"
  files+=("kelvo_${debian_version}_$(dpkg --print-architecture).deb")
  checks[${files[-1]}]=$(sed -n 's/^checks passed: //p' "$logs/debian.txt")
fi

# Opens the source archive again: its Qt source packages must be the very files the build
# used, and its Kelvo source the commit that was built.
check_sources_archive() {  # archive, Qt folder
  local archive=$1 qt_dir=$2 unpacked=$logs/sources file count=0
  mkdir -p "$unpacked"
  tar -xJf "$archive" -C "$unpacked"
  local top=$unpacked/$windows-sources
  for file in "$top"/qt/*; do
    case "$file" in *.build) continue ;; esac
    cmp -s "$file" "$qt_dir-sources/$(basename "$file")" || { echo "differs from the build's: qt/$(basename "$file")" >&2; return 1; }
    count=$((count + 1))
  done
  mkdir -p "$logs/head"
  git archive --format=tar --prefix="kelvo-$version/" HEAD | tar -xf - -C "$logs/head"
  diff -r "$logs/head/kelvo-$version" "$top/kelvo-$version" >/dev/null || { echo "the archive's Kelvo source is not HEAD" >&2; return 1; }
  echo "same Qt source files as the build ($count), Kelvo source = HEAD $(git rev-parse --short HEAD)"
}

if [ "$only" != debian ]; then
  echo "==== Windows package"
  scripts/package-windows.sh | tee "$logs/windows.txt"
  qt_dir=$(sed -n 's/^== Windows build against //p' "$logs/windows.txt")
  [ -n "$qt_dir" ] || { echo "package-windows.sh named no Qt folder" >&2; exit 1; }
  files+=("$windows.zip" "$windows-setup.exe" "$windows-sources.tar.xz")
  checks[$windows.zip]=$(sed -n 's/^checks passed (zip): //p' "$logs/windows.txt")
  checks[$windows-setup.exe]=$(sed -n 's/^checks passed (installer): //p' "$logs/windows.txt")
  checks[$windows-sources.tar.xz]=$(check_sources_archive "$dist/$windows-sources.tar.xz" "$qt_dir")
fi

(cd "$dist" && sha256sum "${files[@]}" >SHA256SUMS && sha256sum --check --quiet SHA256SUMS)

minutes=$(awk -v s=$((SECONDS - started)) 'BEGIN { printf "%.0f", s / 60 }')
echo
echo "Kelvo $version release in dist/ ($minutes minutes):"
printf '  %-44s %9s  %s\n' "file" "size" "checks passed"
for file in "${files[@]}"; do
  printf '  %-44s %6.1f MB  %s\n' "$file" "$(awk -v b="$(stat -c %s "$dist/$file")" 'BEGIN { print b / 1048576 }')" \
    "${checks[$file]}"
done
printf '  %-44s %9s  %s\n' "SHA256SUMS" "" "sha256sum --check: every file OK"
