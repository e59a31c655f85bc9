#!/usr/bin/env bash
# The Windows build and its tests: installs what is missing (mingw-w64, Wine, Xvfb and the
# tools the tests use; Debian packages), cross-builds build-windows/quen.exe with the `windows`
# preset, and runs the Wine tests under Xvfb on a 1024x768 screen. The tests compare with the
# Linux build's capture tool, which is built first if needed.
#
# Usage: scripts/windows-ci.sh [--build-only]
#   --build-only: install the cross compiler and build quen.exe, no Wine and no tests.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
build_only=false
[ "${1:-}" = "--build-only" ] && build_only=true

CROSS=windows
source scripts/crossbuild-lib.sh

packages=(cmake make g++-mingw-w64-x86-64)
$build_only || packages+=(wine wine64 xvfb xauth xdotool x11-utils imagemagick ffmpeg)
scripts/install-deps.sh "${packages[@]}"
phase "installing"
# The pictures are decoded by libjpeg-turbo built from Debian's source, as on the web.
JOBS=$JOBS scripts/build-libjpeg-turbo.sh mingw build-windows/libjpeg-turbo
phase "libjpeg-turbo for mingw-w64"

if $build_only; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$JOBS"
  phase "cross-building quen.exe"
  exit 0
fi

linux_build=$(build_linux_reference)
phase "building the Linux capture tool and frame checksums"

cmake --preset windows -DQUEN_LINUX_CAPTURE="$linux_build/quen-capture" >/dev/null
cmake --build --preset windows -j "$JOBS"
phase "cross-building quen.exe"

export WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows
phase "the Wine tests"
