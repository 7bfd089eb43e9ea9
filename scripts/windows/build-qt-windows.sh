#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a static Qt 6 for Windows from Debian's source package, once, into a cache outside
# the checkout:
#   qt6-base    Core, Gui, Widgets, Test and the Windows platform plugin
# into ${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}/qt6-windows-<qt version>. Beside it the source
# package stays exactly as fetched (.dsc, .orig.tar.*, .debian.tar.*) in
# qt6-windows-<qt version>-sources: a program linked statically against Qt is passed on with
# the source of that Qt, and scripts/package-windows.sh packs them.
#
#   scripts/windows/build-qt-windows.sh
#
# qtbase costs about 4,000 CPU-seconds and 2.6 GB of scratch space, far too much for every
# run, so each finished module is marked and reused; its marker records the Debian source
# version and the configure line. The last line printed is the install path, for callers:
#   qt_dir=$(scripts/windows/build-qt-windows.sh | tail -n 1)
set -Eeuo pipefail

here=$(cd "$(dirname "$0")" && pwd)
toolchain=$(cd "$here/../../cmake" && pwd)/toolchain-mingw64.cmake

# The same version as the host's Qt on purpose: moc, rcc and uic come from the host and must
# match.
if [ $# -ne 0 ]; then
  echo "usage: $0" >&2
  exit 2
fi
declare -A dev_package=([qt6-base]=qt6-base-dev)
modules=(qt6-base)
host_source_version() { dpkg-query -W -f='${source:Version}' "${dev_package[$1]}" 2>/dev/null || true; }
if [ -z "$(host_source_version qt6-base)" ]; then
  "$here/setup-windows-tools.sh" >&2
fi
declare -A src_version
for module in "${modules[@]}"; do src_version[$module]=$(host_source_version "$module"); done
qt_version=${src_version[qt6-base]#*:}
qt_version=${qt_version%%[+~-]*}

cache=${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}
prefix=$cache/qt6-windows-$qt_version
sources=$cache/qt6-windows-$qt_version-sources
work=$cache/qt6-windows-$qt_version-work
log=$cache/qt6-windows-$qt_version.log
marker() { echo "$prefix/.kelvo-$1-complete"; }

all_built() {
  local module
  for module in "${modules[@]}"; do [ -f "$(marker "$module")" ] || return 1; done
}

if all_built; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
# Two callers at once would share the work folder; the second waits and then finds the markers.
exec 9>"$cache/qt6-windows.lock"
if ! flock -n 9; then
  echo "Another Qt build for Windows is running; waiting for it." >&2
  flock 9
fi
if all_built; then
  echo "$prefix"
  exit 0
fi

trap 'echo "Qt build failed; the end of $log:" >&2; tail -n 30 "$log" >&2' ERR

"$here/setup-windows-tools.sh" >>"$log" 2>&1

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
apt_opts=(-q)
# In some containers /dev/null is a plain file; apt's unprivileged sandbox user then
# cannot use it and apt blames gpgv, so stay root for the download.
[ -c /dev/null ] || apt_opts+=(-o APT::Sandbox::User=root)

source_list=/etc/apt/sources.list.d/kelvo-deb-src.sources
source_list_oneline=/etc/apt/sources.list.d/kelvo-deb-src.list
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# Mirrors the Debian deb entries as deb-src ones. Third-party repositories (recognised by a
# suite that is not this release's) often publish no sources and would break apt-get update.
write_deb_src_entries() {
  local deb822 oneline
  deb822=$(awk -v cn="$codename" '
    function flush(   i, n, w, suites, out, is_deb, off) {
      is_deb = 0; off = 0; suites = ""
      for (i = 1; i <= nl; i++) {
        if (lines[i] ~ /^Types:/) { n = split(substr(lines[i], 7), w, /[ \t]+/); for (k = 1; k <= n; k++) if (w[k] == "deb") is_deb = 1 }
        if (lines[i] ~ /^Enabled:[ \t]*no/) off = 1
        if (lines[i] ~ /^Suites:/) { n = split(substr(lines[i], 8), w, /[ \t]+/); for (k = 1; k <= n; k++) if (w[k] == cn || index(w[k], cn "-") == 1) suites = suites " " w[k] }
      }
      if (is_deb && !off && suites != "") {
        for (i = 1; i <= nl; i++) {
          if (lines[i] ~ /^#/) continue
          if (lines[i] ~ /^Types:/) out = out "Types: deb-src\n"
          else if (lines[i] ~ /^Suites:/) out = out "Suites:" suites "\n"
          else out = out lines[i] "\n"
        }
        printf "%s\n", out
      }
      nl = 0
    }
    /^[ \t]*$/ { flush(); next }
    { lines[++nl] = $0 }
    END { flush() }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  oneline=$(awk -v cn="$codename" '
    $1 == "deb" {
      i = 2
      if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
      suite = $(i + 1)
      if (suite == cn || index(suite, cn "-") == 1) { line = $0; sub(/^deb/, "deb-src", line); print line }
    }' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
  [ -n "$deb822" ] && printf '%s\n' "$deb822" | "${sudo_cmd[@]}" tee "$source_list" >/dev/null
  [ -n "$oneline" ] && printf '%s\n' "$oneline" | "${sudo_cmd[@]}" tee "$source_list_oneline" >/dev/null
  if [ -z "$deb822$oneline" ]; then
    echo "No Debian deb entry for '$codename' to mirror as deb-src." >&2
    return 1
  fi
}

source_known() {  # module
  apt-cache showsrc "$1" 2>/dev/null | grep -qx "Version: ${src_version[$1]}"
}

# The .dsc of a module's source package, named as Debian names it: without the epoch.
dsc_of() { echo "$sources/${1}_${src_version[$1]#*:}.dsc"; }

# Whether the kept sources folder holds the module's .dsc and every file it names, whole.
sources_complete() {  # module
  local dsc
  dsc=$(dsc_of "$1")
  [ -f "$dsc" ] || return 1
  awk '/^Checksums-Sha256:/ { listed = 1; next } listed && /^ / { print $1 "  " $3; next } { listed = 0 }' "$dsc" |
    (cd "$sources" && sha256sum --check --status)
}

# Downloads the source package once into the kept sources folder, then unpacks a fresh copy
# (with Debian's patches applied, as apt-get source does) into the module's work folder.
fetch_source() {  # module
  local module=$1
  if ! sources_complete "$module"; then
    if ! source_known "$module"; then
      if ! grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
           /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
        write_deb_src_entries
      fi
      "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" update
    fi
    mkdir -p "$sources"
    if ! (cd "$sources" && apt-get "${apt_opts[@]}" source --download-only "$module=${src_version[$module]}"); then
      echo "The Debian source package $module ${src_version[$module]} could not be fetched (see above):" \
        "its mirror must serve the files its .dsc names." >&2
      return 1
    fi
  fi
  rm -rf "$work/$module/src"
  mkdir -p "$work/$module"
  dpkg-source -x "$(dsc_of "$module")" "$work/$module/src"
  touch "$work/$module/src/.unpacked"
}

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
# Each odd switch below answers a failure met on Debian 12:
#  - FEATURE_tabletevent: Debian's tarball drops the Windows tablet library (wintab).
#  - INPUT_opengl=no: FEATURE_opengl=OFF leaves dynamic GL on and the Windows plugin then fails
#    to compile half an hour in.
#  - FEATURE_zstd, FEATURE_androiddeployqt: Debian patches force a shared zstd (there is none for
#    mingw) and turn androiddeployqt on whenever cross-compiling.
#  - QPdfWriter lives in QtGui, so PDF export needs no print support.
qt6_base_args=(
  -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$toolchain"
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake"
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=OFF
  -DFEATURE_static_runtime=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_network=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_testlib=ON
  -DINPUT_opengl=no
  -DFEATURE_vulkan=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_zstd=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_androiddeployqt=OFF
)

build_module() {  # module, configure arguments...
  local module=$1; shift
  local started=$SECONDS minutes
  echo "Building $module ${src_version[$module]} statically for Windows." >&2
  echo "== $(date -Is) build of $module ${src_version[$module]} for Windows" >>"$log"
  # A failed run keeps its work folder, so a rerun reuses the unpacked source and the objects.
  # (An if, not ||, so that set -e still stops on a failure inside the function.)
  if [ ! -f "$work/$module/src/.unpacked" ]; then
    fetch_source "$module" >>"$log" 2>&1
  fi
  {
    echo "== configure: $*"
    nice -n 19 cmake -S "$work/$module/src" -B "$work/$module/build" "$@"
    echo "== compile"
    # Lowest priority: this machine has two cores and other work must stay responsive.
    nice -n 19 ninja -C "$work/$module/build" -j "$(nproc)"
    echo "== install"
    cmake --install "$work/$module/build"
  } >>"$log" 2>&1
  minutes=$(( (SECONDS - started + 59) / 60 ))
  {
    echo "module=$module"
    echo "debian-source=${src_version[$module]}"
    echo "dsc=$(basename "$(dsc_of "$module")")"
    echo "built=$(date -Is)"
    echo "minutes=$minutes"
    echo "configure=$*"
  } >"$(marker "$module")"
  rm -rf "${work:?}/$module"
  echo "== $(date -Is) $module done in $minutes minutes" >>"$log"
  echo "$module for Windows built in $minutes minutes." >&2
}

# The Windows Qt must not find itself or another Windows Qt while it is being configured.
unset KELVO_WINDOWS_QT_DIR
if [ ! -f "$(marker qt6-base)" ]; then
  rm -rf "$prefix"
  build_module qt6-base "${qt6_base_args[@]}"
fi
rm -rf "$work"
echo "== $(date -Is) installed to $prefix ($(du -sh "$prefix" | cut -f1))" >>"$log"
echo "$prefix"
