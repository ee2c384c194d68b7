#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need,
# but only those that are missing. Safe to run again and again.
set -euo pipefail
packages=(
  cmake ninja-build git
  mingw-w64 g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth fonts-ipafont-gothic x11-utils
  googletest imagemagick ffmpeg xdotool python3
  clang libclang-rt-14-dev libyuv-dev libswscale-dev libbenchmark-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
