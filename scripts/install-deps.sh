#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the demo, where missing. Given
# package names, installs those instead (other scripts use it for their own tools).
#
# Usage: scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libmpg123-dev libturbojpeg0-dev libjpeg-dev libpng-dev libdeflate-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-utils ffmpeg
  dpkg-dev file man-db desktop-file-utils
  clang libclang-rt-14-dev valgrind
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
