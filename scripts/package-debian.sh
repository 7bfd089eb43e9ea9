#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kelvo's Debian package and checks it, in one command:
#   dist/kelvo_<version>-<revision>_amd64.deb
# with debhelper from packaging/debian (copied as debian/ into a clean copy of the source:
# the checkout keeps its packaging in a folder of its own, and the package is built from
# the tracked files only, never from build folders). Then it checks what a user gets:
#   - lintian (--pedantic, every tag shown with its explanation): no error, no warning;
#   - desktop-file-validate and appstreamcli validate on the installed entry and metainfo;
#   - the manual pages name exactly the commands and options the programs' --help names;
#   - the package's files: three programs, entry, metainfo, icons, manual pages, docs;
#   - installed with apt-get into a fresh minimal Debian 12 root, the programs start
#     there (scripts/debian-chroot-check.sh). --no-chroot leaves that out (CI does).
#
#   scripts/package-debian.sh [--no-chroot]
#
# The build folder is build-debian (KELVO_DEBIAN_BUILD). The last line printed names the
# checks passed, for scripts/release.sh.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
root=$PWD

chroot_check=1
for arg in "$@"; do
  case "$arg" in
    --no-chroot) chroot_check=0 ;;
    *) echo "usage: scripts/package-debian.sh [--no-chroot]" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^project(Kelvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
debian_version=$(sed -n '1s/^kelvo (\([^)]*\)).*/\1/p' packaging/debian/changelog)
if [ "${debian_version%-*}" != "$version" ]; then
  echo "packaging/debian/changelog starts with $debian_version, but CMakeLists.txt says $version:" \
    "add a changelog entry for $version-1." >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
deb=kelvo_${debian_version}_$arch.deb
build=$root/${KELVO_DEBIAN_BUILD:-build-debian}
dist=$root/dist
started=$SECONDS

# The tools, and whatever packaging/debian/control asks to build with.
scripts/install-missing.sh build-essential debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream
unmet=$(dpkg-checkbuilddeps packaging/debian/control 2>&1 | sed -n 's/.*Unmet build dependencies: //p' |
  sed 's/([^)]*)//g; s/|[^ ]*//g')
# shellcheck disable=SC2086  # a list of package names
[ -z "$unmet" ] || scripts/install-missing.sh $unmet

echo "== Building $deb"
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "Note: the working tree has uncommitted changes; they are packed as they are."
fi
rm -rf "$build"
source=$build/kelvo-$version
mkdir -p "$source"
git ls-files -z | (cd "$root" && tar --null -T - -cf -) | tar -xf - -C "$source"
cp -r packaging/debian "$source/debian"
if ! (cd "$source" && DEB_BUILD_OPTIONS="noautodbgsym parallel=$(nproc)" \
      dpkg-buildpackage -b -us -uc) >"$build/build.log" 2>&1; then
  tail -n 40 "$build/build.log" >&2
  echo "The package build failed; its log: $build/build.log" >&2
  exit 1
fi
mkdir -p "$dist"
cp "$build/$deb" "$dist/$deb"
build_minutes=$(awk -v s=$((SECONDS - started)) 'BEGIN { printf "%.1f", s / 60 }')
echo "Built $deb in $build_minutes minutes."

checks=()
failed=0
check() {  # name, command...
  local name=$1; shift
  echo "== $name"
  if "$@"; then
    checks+=("$name")
  else
    echo "FAILED: $name" >&2
    failed=1
  fi
}

unpacked=$build/unpacked
dpkg-deb -x "$dist/$deb" "$unpacked"
app_id=$(sed -n 's/^set(KELVO_APP_ID \(.*\))$/\1/p' CMakeLists.txt)

run_lintian() {
  # Every tag with its explanation, pedantic ones too; errors and warnings fail.
  lintian --info --display-info --pedantic --fail-on error,warning "$dist/$deb"
}

run_desktop_file_validate() {
  local out
  out=$(desktop-file-validate "$unpacked/usr/share/applications/$app_id.desktop" 2>&1) || { echo "$out"; return 1; }
  [ -n "$out" ] && echo "$out"
  # It exits 0 on warnings too.
  ! grep -q -i "error\|warning" <<<"$out"
}

run_appstream_validate() {
  appstreamcli validate --no-net --pedantic --explain "$unpacked/usr/share/metainfo/$app_id.metainfo.xml"
}

# The long options and commands a text names, one a line.
options_of() { grep -o -E -- '--[a-z][a-z0-9-]*' | sort -u; }
man_text() { zcat "$unpacked/usr/share/man/man1/$1.1.gz" | sed 's/\\-/-/g'; }
cli_commands_of() { grep -o -E 'kelvo-cli [a-z][a-z-]*' | sed 's/^kelvo-cli //' | sort -u; }

run_manual_pages_check() {
  local bin=$unpacked/usr/bin status=0 program help
  for program in kelvo kelvo-cli kelvo-meter-sim; do
    case "$program" in
      kelvo-cli) help=$("$bin/kelvo-cli" help) ;;
      *) help=$("$bin/$program" --help) ;;
    esac
    if ! diff <(options_of <<<"$help") <(man_text "$program" | options_of) >"$build/options.diff"; then
      echo "$program: --help (<) and the manual page (>) name different options:"
      cat "$build/options.diff"
      status=1
    fi
  done
  if ! diff <("$bin/kelvo-cli" help | cli_commands_of) <(man_text kelvo-cli | cli_commands_of) >"$build/commands.diff"; then
    echo "kelvo-cli: help (<) and the manual page (>) name different commands:"
    cat "$build/commands.diff"
    status=1
  fi
  [ "$status" -ne 0 ] || echo "The manual pages name the options and commands of --help."
  return "$status"
}

run_contents_check() {
  local path status=0 size
  for path in usr/bin/kelvo usr/bin/kelvo-cli usr/bin/kelvo-meter-sim \
      "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
      usr/share/man/man1/kelvo.1.gz usr/share/man/man1/kelvo-cli.1.gz usr/share/man/man1/kelvo-meter-sim.1.gz \
      usr/share/doc/kelvo/copyright usr/share/doc/kelvo/changelog.Debian.gz usr/share/doc/kelvo/README.Debian \
      usr/share/doc/kelvo/README.md.gz; do
    [ -e "$unpacked/$path" ] || { echo "missing: /$path"; status=1; }
  done
  for size in 16 24 32 48 64 128 256; do
    path=usr/share/icons/hicolor/${size}x$size/apps/$app_id.png
    [ -e "$unpacked/$path" ] || { echo "missing: /$path"; status=1; }
  done
  if [ -n "$(find "$unpacked" -path '*udev*' -print -quit)" ]; then
    echo "the package holds udev files"; status=1
  fi
  [ "$status" -ne 0 ] || echo "Programs, desktop entry, metainfo, the icon in 7 sizes, manual pages and docs are in place; no udev rules."
  return "$status"
}

check lintian run_lintian
check desktop-file-validate run_desktop_file_validate
check "appstreamcli validate" run_appstream_validate
check "manual pages" run_manual_pages_check
check contents run_contents_check
if [ "$chroot_check" -eq 1 ]; then
  check "installed in a clean Debian 12" scripts/debian-chroot-check.sh "$dist/$deb"
fi

echo
awk -v bytes="$(stat -c %s "$dist/$deb")" -v name="dist/$deb" 'BEGIN { printf "%s: %.1f MB\n", name, bytes / 1048576 }'
echo "Dependencies: $(dpkg-deb -f "$dist/$deb" Depends)"
[ "$failed" -eq 0 ] || { echo "Some checks failed." >&2; exit 1; }
( IFS=,; echo "checks passed: ${checks[*]}" | sed 's/,/, /g' )
