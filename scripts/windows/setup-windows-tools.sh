#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what cross-building Kelvo for Windows on Debian 12 needs, when missing.
# Quick and silent when everything is already there, so other scripts may call it first.
set -euo pipefail

packages=(
  # The -posix variants: the default -win32 thread model has no std::thread / std::mutex.
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  # wine64 runs the tests and the program; nsis packs the installer.
  wine wine64 nsis
  # A cross-built Qt needs the same version's moc, rcc and uic from the host.
  qt6-base-dev qt6-base-dev-tools
  cmake ninja-build
  # apt-get source unpacks with dpkg-source.
  dpkg-dev
  # The cross build takes GoogleTest's source and SimpleIni's header from these.
  libgtest-dev libsimpleini-dev
  # xvfb-run needs xauth; without a CJK font Wine draws Chinese labels as boxes.
  xvfb xauth fonts-wqy-microhei
  # The package and its smoke test: the zip, keys for the window, its screenshot.
  zip unzip xdotool imagemagick
  # The far ends of kelvo-cli.exe's network tests on 127.0.0.1: a serial server and a
  # Modbus TCP server (whose library imports its serial modules too).
  socat python3-pymodbus python3-serial python3-serial-asyncio
)

exec "$(dirname "$0")/.."/install-missing.sh "${packages[@]}"
