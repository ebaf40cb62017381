#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the program need and is not yet installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev libgl-dev libx11-dev libxcb1-dev
  libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libopencv-imgproc-dev
  fonts-ipafont-gothic
  xvfb xauth x11-apps imagemagick xdotool
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
