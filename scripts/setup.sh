#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Kelvo needs to build, test and run, when missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libsimpleini-dev
  libgtest-dev
  libmodbus-dev
  fonts-wqy-microhei
  poppler-utils
  xvfb xauth
  # The far ends of the network tests: a serial server bridging loopback TCP to the simulated
  # meter's pseudo-terminal, and a Modbus TCP server from a general Modbus library (whose
  # server imports the serial modules too).
  socat python3-pymodbus python3-serial python3-serial-asyncio
)

exec "$(dirname "$0")"/install-missing.sh "${packages[@]}"
