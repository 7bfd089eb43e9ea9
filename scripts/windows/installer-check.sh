#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows installer under Wine as a user meets it: setup.exe /S installs without
# administrator rights into %LOCALAPPDATA%\Programs\Kelvo with its licence files, the
# installed kelvo-cli.exe names the version, Settings > Apps finds an uninstall entry with
# that version and the publisher, and uninstall.exe /S takes everything away again (but the
# user's config.ini).
#
#   scripts/windows/installer-check.sh <setup.exe> <version>
set -Eeuo pipefail
setup=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/wine-env.sh
. "$here/wine-env.sh"
trap wine_stop EXIT

wine_start "$wine_cache/wine-package"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvo'
folder=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Kelvo
fail() { echo "installer: $*" >&2; exit 1; }
# The value of one entry of the uninstall key, as reg query prints it.
entry() { "$wine64" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { $1 = $2 = ""; sub(/^ +/, ""); print }'; }

# wine64 returns when setup.exe has ended (the server stays: it is a persistent one, so
# "wineserver -w" would wait for ever).
"$wine64" "$setup" /S
for file in kelvo.exe kelvo-cli.exe README.txt COPYING THIRD-PARTY.md uninstall.exe; do
  [ -f "$folder/$file" ] || fail "$file is not installed"
done
cli_version=$("$wine64" "$folder/kelvo-cli.exe" --version | tr -d '\r' | head -n 1)
[ "$cli_version" = "kelvo-cli (Kelvo) $version" ] || fail "the installed kelvo-cli says '$cli_version'"
[ "$(entry DisplayVersion)" = "$version" ] || fail "DisplayVersion is '$(entry DisplayVersion)', not $version"
[ "$(entry Publisher)" = "The Kelvo developers" ] || fail "Publisher is '$(entry Publisher)'"
[ -n "$(entry DisplayIcon)" ] && [ -n "$(entry UninstallString)" ] || fail "the uninstall entry is incomplete"
echo "installed: $cli_version; uninstall entry: $(entry DisplayName) $(entry DisplayVersion)," \
  "$(entry Publisher), $(($(entry EstimatedSize))) KiB"

"$wine64" "$folder/uninstall.exe" /S
# The uninstaller copies itself away and finishes from there, after uninstall.exe has ended:
# wait for what it removes (30 s at most).
for _ in $(seq 100); do
  if [ ! -e "$folder/kelvo.exe" ] && [ ! -e "$folder/uninstall.exe" ] && ! "$wine64" reg query "$key" >/dev/null 2>&1; then
    break
  fi
  sleep 0.3
done
[ ! -e "$folder/kelvo.exe" ] || fail "uninstall.exe /S left kelvo.exe behind"
"$wine64" reg query "$key" >/dev/null 2>&1 && fail "uninstall.exe /S left the uninstall entry behind"
echo "uninstalled: files and uninstall entry removed"
