#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a Kelvo .deb as a user would, with apt-get, into a fresh minimal Debian root
# (debootstrap --variant=minbase of this machine's release, from this machine's Debian
# mirror) and starts its programs there, proving that the package's dependencies are
# complete:
#   - kelvo-cli --version names the package's version;
#   - kelvo-cli scan finds a kelvo-meter-sim started inside the root;
#   - kelvo, offscreen, shows its main window (kelvo --quit-when-shown).
# The pristine root is made once and kept in ${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}; each
# check works on a copy of it, which goes afterwards, so every check starts clean.
#
#   scripts/debian-chroot-check.sh dist/kelvo_<version>-1_amd64.deb
#
# Runs as root (debootstrap, mount, chroot).
set -Eeuo pipefail

[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
version=$(dpkg-deb -f "$deb" Version)
version=${version%-*}
[ "$(id -u)" -eq 0 ] || { echo "$0 needs root (debootstrap, mount and chroot)." >&2; exit 1; }
"$(dirname "$0")"/install-missing.sh debootstrap

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
cache=${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}
pristine=$cache/debian-$codename-minbase

# This machine's Debian entries of its release (the release, -updates, -security; the
# main component), one a line: URI SUITE KEYRING. From deb822 .sources and one-line .list
# files alike; third-party repositories, whose suites are not this release's, are left out.
debian_entries() {
  local lists=() file
  # Only files that are there: mawk gives up on the first one it cannot open.
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && lists+=("$file")
  done
  [ ${#lists[@]} -gt 0 ] || return 0
  awk -v cn="$codename" '
    function emit(uris, suites, key,   nu, ns, u, s, U, S) {
      nu = split(uris, U, /[ \t]+/); ns = split(suites, S, /[ \t]+/)
      for (u = 1; u <= nu; u++) for (s = 1; s <= ns; s++)
        if (U[u] != "" && (S[s] == cn || index(S[s], cn "-") == 1)) print U[u], S[s], key
    }
    # A deb822 stanza ends at an empty line or at the end of its file.
    function flush() {
      if (deb && !off && main) emit(uris, suites, key)
      deb = off = main = 0; uris = suites = key = ""
    }
    FNR == 1 { flush() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) { flush(); next }
      if ($1 == "Types:" && $0 ~ /[ \t]deb([ \t]|$)/) deb = 1
      if ($1 == "URIs:") { uris = $0; sub(/^URIs:[ \t]*/, "", uris) }
      if ($1 == "Suites:") { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
      if ($1 == "Components:" && $0 ~ /[ \t]main([ \t]|$)/) main = 1
      if ($1 == "Signed-By:") key = $2
      if ($1 == "Enabled:" && $2 == "no") off = 1
      next
    }
    $1 == "deb" {
      i = 2; key = ""
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          if ($i ~ /signed-by=/) { key = $i; sub(/.*signed-by=/, "", key); sub(/\]$/, "", key) }
          if ($i ~ /\]$/) break
        }
        i++
      }
      for (c = i + 2; c <= NF; c++) if ($c == "main") emit($i, $(i + 1), key)
    }
    END { flush() }
  ' "${lists[@]}" | sort -u
}

entries=$(debian_entries)
read -r mirror _ keyring < <(awk -v cn="$codename" '$2 == cn' <<<"$entries" | head -n 1) || true
if [ -z "${mirror:-}" ]; then
  echo "No Debian '$codename' entry in /etc/apt/sources.list*: no mirror for debootstrap." >&2
  exit 1
fi

if [ ! -f "$pristine/.kelvo-root-complete" ]; then
  echo "Making a minimal Debian $codename root from $mirror (once; kept in $pristine)."
  rm -rf "$pristine.partial"
  nice -n 19 debootstrap --variant=minbase ${keyring:+--keyring="$keyring"} "$codename" "$pristine.partial" "$mirror" \
    >"$cache/debootstrap.log" 2>&1 || { tail -n 20 "$cache/debootstrap.log" >&2; exit 1; }
  rm -rf "$pristine"
  mv "$pristine.partial" "$pristine"
  touch "$pristine/.kelvo-root-complete"
fi

target=$(mktemp -d "$cache/debian-check.XXXXXX")
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[$i]}" 2>/dev/null || umount -l "${mounts[$i]}" || true; done
  # Never remove a tree while anything is still mounted inside it: it could reach the host.
  if findmnt -rn -o TARGET | grep -q "^$target"; then
    echo "Still mounted below $target; left in place." >&2
  else
    rm -rf "$target"
  fi
}
trap cleanup EXIT
mount_in() {  # source, where in the root, mount options...
  local source=$1 where=$target$2; shift 2
  mount "$@" "$source" "$where"
  mounts+=("$where")
}

cp -a "$pristine/." "$target/"
cp /etc/resolv.conf "$target/etc/resolv.conf"
awk '{ key = ($3 != "" ? " [signed-by=" $3 "]" : ""); print "deb" key " " $1 " " $2 " main" }' <<<"$entries" \
  >"$target/etc/apt/sources.list"
cp "$deb" "$target/tmp/"
mount_in proc /proc -t proc
mount_in /dev /dev --bind
mount_in /dev/pts /dev/pts --bind

echo "== apt-get install ./$(basename "$deb") in a fresh Debian $codename root"
in_root() { chroot "$target" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root apt-get -q update >"$target/tmp/apt.log" 2>&1 || { cat "$target/tmp/apt.log" >&2; exit 1; }
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get -q install -y "/tmp/$(basename "$deb")" >>"$target/tmp/apt.log" 2>&1; then
  tail -n 30 "$target/tmp/apt.log" >&2
  exit 1
fi
grep -E '^(Setting up|Unpacking) kelvo ' "$target/tmp/apt.log" | tail -n 1
echo "Installed $(in_root dpkg-query -W -f='${binary:Package} ${Version}' kelvo) with $(grep -c '^Setting up' "$target/tmp/apt.log") packages in all."

# Inside the root, with bounded waits: the simulator's link within 5 s, the scan within a
# minute, the window within a minute.
in_root /bin/sh -eu -s "$version" <<'INSIDE'
version=$1
echo "== kelvo-cli --version"
kelvo-cli --version | tee /tmp/version.txt
head -n 1 /tmp/version.txt | grep -qx "kelvo-cli (Kelvo) $version"

echo "== kelvo-cli scan against kelvo-meter-sim"
kelvo-meter-sim --link /tmp/kelvo-meter --kind generic --address 17 >/tmp/sim.log 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
i=0
while [ ! -L /tmp/kelvo-meter ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
mkdir -p /root/.config/Kelvo/ports
ln -sf /tmp/kelvo-meter /root/.config/Kelvo/ports/SIM1
timeout 60 kelvo-cli scan --port SIM1 --address 16-18 --baud 9600 --parity none | tee /tmp/scan.txt
grep -q "地址 17 波特率 9600" /tmp/scan.txt

echo "== kelvo, offscreen, until its window shows"
QT_QPA_PLATFORM=offscreen timeout 60 kelvo --quit-when-shown 2>/tmp/kelvo.log | tee /tmp/kelvo.txt
grep -qx "Kelvo v$version 主窗口已显示" /tmp/kelvo.txt
INSIDE
echo "The package installs into a clean Debian $codename and its programs run there."
