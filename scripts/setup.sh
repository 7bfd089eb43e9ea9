#!/usr/bin/env bash
# Installs the Debian 12 packages Kelvo needs to build, test and run, when missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  qt6-charts-dev libqt6opengl6-dev
  libsimpleini-dev
  libgtest-dev
  libmodbus-dev
  fonts-wqy-microhei
  poppler-utils
  xvfb xauth
)

exec "$(dirname "$0")"/install-missing.sh "${packages[@]}"
