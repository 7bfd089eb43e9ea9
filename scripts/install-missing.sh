#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs those of the named Debian packages that are missing; quick and silent when
# everything is already there, so that other scripts may call it first.
#   scripts/install-missing.sh PACKAGE...
set -euo pipefail

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
apt_opts=(-q)
# In some containers /dev/null is a plain file; apt's unprivileged sandbox user then
# cannot use it and apt blames gpgv, so stay root for the download.
[ -c /dev/null ] || apt_opts+=(-o APT::Sandbox::User=root)
# Through env, because sudo drops the caller's environment.
apt=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}")
"${apt[@]}" update
"${apt[@]}" install -y --no-install-recommends "${missing[@]}"
