#!/usr/bin/env bash
# Builds a static Qt 6 for Windows (Core, Gui, Widgets, Test and the Windows platform plugin)
# from Debian's qt6-base source, once, into a cache outside the checkout:
#   ${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}/qt6-windows-<qt version>
# The build costs about 4,000 CPU-seconds and 2.6 GB of scratch space, far too much for every
# run, so a finished install is marked and reused. The last line printed is the install path,
# for callers: qt_dir=$(scripts/windows/build-qt-windows.sh | tail -n 1)
set -Eeuo pipefail

here=$(cd "$(dirname "$0")" && pwd)
toolchain=$(cd "$here/../../cmake" && pwd)/toolchain-mingw64.cmake

# Same version as the host's Qt on purpose: moc, rcc and uic come from the host and must match.
host_qt_source_version() { dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true; }
src_version=$(host_qt_source_version)
if [ -z "$src_version" ]; then
  "$here/setup-windows-tools.sh" >&2
  src_version=$(host_qt_source_version)
fi
qt_version=${src_version#*:}
qt_version=${qt_version%%[+~-]*}

cache=${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}
prefix=$cache/qt6-windows-$qt_version
marker=$prefix/.kelvo-build-complete
work=$cache/qt6-windows-$qt_version-work
log=$cache/qt6-windows-$qt_version.log

if [ -f "$marker" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
# Two callers at once would share the work folder; the second waits and then finds the marker.
exec 9>"$cache/qt6-windows.lock"
if ! flock -n 9; then
  echo "Another Qt build for Windows is running; waiting for it." >&2
  flock 9
fi
if [ -f "$marker" ]; then
  echo "$prefix"
  exit 0
fi

echo "Building static Qt $qt_version for Windows (about 40-60 minutes on two cores)." >&2
echo "Log: $log" >&2
echo "== $(date -Is) build of Qt $qt_version ($src_version) for Windows" >>"$log"
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

source_known() { apt-cache showsrc qt6-base 2>/dev/null | grep -qx "Version: $src_version"; }

fetch_source() {
  if ! source_known; then
    if ! grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
         /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
      write_deb_src_entries
    fi
    "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" update
  fi
  rm -rf "$work/src"
  mkdir -p "$work/src"
  (cd "$work/src" && apt-get "${apt_opts[@]}" source "qt6-base=$src_version")
  touch "$work/src/.unpacked"
}

started=$SECONDS
# A failed run keeps its work folder, so a rerun reuses the unpacked source and the objects.
# (An if, not ||, so that set -e still stops on a failure inside the function.)
if [ ! -f "$work/src/.unpacked" ]; then
  fetch_source >>"$log" 2>&1
fi
srcdir=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$srcdir" ] || { echo "No unpacked qt6-base source in $work/src" >>"$log"; false; }

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
# Each odd switch below answers a failure met on Debian 12:
#  - FEATURE_tabletevent: Debian's tarball drops the Windows tablet library (wintab).
#  - INPUT_opengl=no: FEATURE_opengl=OFF leaves dynamic GL on and the Windows plugin then fails
#    to compile half an hour in.
#  - FEATURE_zstd, FEATURE_androiddeployqt: Debian patches force a shared zstd (there is none for
#    mingw) and turn androiddeployqt on whenever cross-compiling.
#  - QPdfWriter lives in QtGui, so PDF export needs no print support.
configure_args=(
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

# The Windows Qt must not find itself or another Windows Qt while it is being configured.
unset KELVO_WINDOWS_QT_DIR
{
  echo "== configure: ${configure_args[*]}"
  nice -n 19 cmake -S "$srcdir" -B "$work/build" "${configure_args[@]}"
  echo "== compile"
  # Lowest priority: this machine has two cores and other work must stay responsive.
  nice -n 19 ninja -C "$work/build" -j "$(nproc)"
  echo "== install"
  rm -rf "$prefix"
  cmake --install "$work/build"
} >>"$log" 2>&1

minutes=$(( (SECONDS - started + 59) / 60 ))
{
  echo "qt=$qt_version"
  echo "debian-source=$src_version"
  echo "built=$(date -Is)"
  echo "minutes=$minutes"
  echo "configure=${configure_args[*]}"
} >"$marker"
rm -rf "$work"
echo "== $(date -Is) done in $minutes minutes; installed to $prefix ($(du -sh "$prefix" | cut -f1))" >>"$log"
echo "Qt $qt_version for Windows built in $minutes minutes." >&2
echo "$prefix"
