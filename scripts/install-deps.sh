#!/usr/bin/env bash
# Installs every Debian package Lumisk needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libxcb1-dev # window frames as the window manager states them
  libcurl4-openssl-dev libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  libx264-164 # the H.264 encoder libavcodec loads for MP4 movies
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-liberation
  librsvg2-bin # rsvg-convert draws the icon's PNG sizes from its SVG
  dpkg-dev     # dpkg-shlibdeps finds the Debian package's dependencies
)
if [ "${1:-}" = "--tests" ]; then
  # libjpeg-turbo-progs: djpeg, the decoding yardstick of bench_view.
  packages+=(nginx-light tinyproxy openssl ffmpeg xinetd chromium libjpeg-turbo-progs)
  # The checks of what is installed and packaged.
  packages+=(lintian appstream desktop-file-utils)
  # A real window manager on Xvfb for window placement: openbox, xprop.
  packages+=(openbox x11-utils)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
