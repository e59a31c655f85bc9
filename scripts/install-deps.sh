#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the demo, where missing. With
# --run, only what building and playing the demo needs (make run). Given package names,
# installs those instead (other scripts use it for their own tools).
#
# Usage: scripts/install-deps.sh [--run | PACKAGE...]
set -euo pipefail

# Building and playing the demo (libx11-dev comes with libsdl2-dev).
run_packages=(cmake g++ make pkg-config libsdl2-dev libmpg123-dev libturbojpeg0-dev libdeflate-dev)
packages=(
  "${run_packages[@]}"
  libjpeg-dev libpng-dev                         # test pictures
  libgtest-dev googletest libbenchmark-dev       # tests and benchmarks
  xvfb xauth xdotool x11-utils imagemagick ffmpeg  # the demo under a virtual X server, videos
  dpkg-dev file man-db desktop-file-utils lintian  # the Debian package and its checks
  clang libclang-rt-14-dev valgrind              # fuzzing and memcheck
)
if [ "${1:-}" = "--run" ]; then
  packages=("${run_packages[@]}")
elif [ $# -gt 0 ]; then
  packages=("$@")
fi

# One query for every package, each installed one named with and without its architecture
# (libsdl2-dev:arm64 beside the machine's own): those not named are missing.
installed=$(dpkg-query -W -f='${Package} ${Package}:${Architecture} ${Status}\n' "${packages[@]}" \
  2>/dev/null | awk '/ install ok installed$/ {print $1; print $2}' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another install running at the same time (a second make target) is waited for, not failed on.
lock=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${lock[@]}" update -qq
$sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
