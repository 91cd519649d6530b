#!/usr/bin/env bash
# Installs every Debian package Quillane needs to build, run and test.
# Run as root or through sudo; safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev libglx-dev libxkbcommon-dev
  qt6-qpa-plugins qt6-wayland libqt6svg6
  yt-dlp ffmpeg curl gpgv gnupg unzip
  fonts-crosextra-carlito fonts-noto-cjk fonts-noto-color-emoji
  librsvg2-bin
  xvfb xauth weston
  python3
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
