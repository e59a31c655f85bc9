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

phase_start=$(date +%s)
phase() {
  local now
  now=$(date +%s)
  echo "windows-ci: $1 took $((now - phase_start)) s"
  phase_start=$now
}

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

# The Linux capture tool and frame checksums are what the Windows build is compared with; they come from
# the default preset's build unless QUEN_LINUX_BUILD names another Linux build folder.
linux_build=${QUEN_LINUX_BUILD:-build}
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  scripts/install-deps.sh
  cmake --preset default >/dev/null
elif grep -q '^QUEN_DEMO_ONLY:BOOL=ON' "$linux_build/CMakeCache.txt"; then
  scripts/install-deps.sh # a folder that `make run` set up for the demo alone
  cmake -S . -B "$linux_build" -DQUEN_DEMO_ONLY=OFF >/dev/null
fi
cmake --build "$linux_build" -j "$JOBS" --target quen-capture quen-frame-sums quen-math-digest >/dev/null
phase "building the Linux capture tool and frame checksums"

cmake --preset windows -DQUEN_LINUX_CAPTURE="$(realpath "$linux_build")/quen-capture" >/dev/null
cmake --build --preset windows -j "$JOBS"
phase "cross-building quen.exe"

export WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows
phase "the Wine tests"
