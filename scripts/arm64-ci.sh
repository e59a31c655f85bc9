#!/usr/bin/env bash
# The arm64 build and its tests: installs what is missing (Debian's aarch64 cross compiler, qemu's
# user-mode emulator, the arm64 libraries through multiarch, Xvfb and the tools the tests use),
# cross-builds build-arm64/ with the `arm64` preset, and runs its tests under emulation against
# the build machine's own Linux build, which is built first where needed.
#
# Usage: scripts/arm64-ci.sh [--build-only | --package]
#   --build-only: install the cross compiler and the libraries and build, no tests.
#   --package:    build, then the .deb (build-arm64/quen_<version>_arm64.deb), checked by lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
mode=${1:-test}

CROSS=arm64
source scripts/crossbuild-lib.sh

# The arm64 libraries come from Debian's arm64 packages, installed beside this machine's own.
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "arm64-ci: adding Debian's arm64 packages (dpkg --add-architecture arm64)"
  $sudo dpkg --add-architecture arm64
fi
packages=(cmake make pkg-config g++-aarch64-linux-gnu qemu-user-static
          libsdl2-dev:arm64 libmpg123-dev:arm64 libturbojpeg0-dev:arm64 libdeflate-dev:arm64
          libx11-dev:arm64)
case $mode in
  --package) packages+=(dpkg-dev file lintian) ;;
  --build-only) ;;
  *) packages+=(xvfb xauth xdotool x11-utils imagemagick) ;;
esac
# A new architecture's package lists come with the next update, which install-deps makes.
scripts/install-deps.sh "${packages[@]}"
phase "installing"

if [ "$mode" != test ]; then
  cmake --preset arm64 >/dev/null
  cmake --build --preset arm64 -j "$JOBS"
  phase "cross-building for arm64"
  if [ "$mode" = --package ]; then
    (cd build-arm64 && cpack -G DEB)
    deb=$(ls build-arm64/quen_*_arm64.deb)
    lintian --fail-on error "$deb"
    echo "arm64-ci: $deb, lintian: no errors"
  fi
  exit 0
fi

linux_build=$(build_linux_reference)
phase "building the Linux capture tool and frame checksums"

cmake --preset arm64 -DQUEN_LINUX_BUILD="$linux_build" >/dev/null
cmake --build --preset arm64 -j "$JOBS"
phase "cross-building for arm64"

ctest --preset arm64
phase "the arm64 tests under emulation"
