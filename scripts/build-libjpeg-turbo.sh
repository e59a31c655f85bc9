#!/usr/bin/env bash
# Builds libjpeg-turbo's TurboJPEG library for a cross target from Debian's own source package,
# the version the Linux build links, so that every build decodes the pictures with the same
# code. SIMD is off (the C paths give the same pixels as the x86 ones). The result is cached:
# a second run with the same version does nothing.
#
# Usage: scripts/build-libjpeg-turbo.sh wasm|mingw DIR
#   Leaves DIR/include/turbojpeg.h and DIR/lib/libturbojpeg.a; works in DIR/src and DIR/build.
set -euo pipefail
target=$1
dir=$(realpath -m "$2")
root=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-2}

case $target in
  wasm) scripts=(emscripten nodejs) ;;
  mingw) scripts=(g++-mingw-w64-x86-64) ;;
  *) echo "build-libjpeg-turbo: unknown target '$target' (wasm or mingw)" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh" cmake make dpkg-dev libturbojpeg0-dev "${scripts[@]}"

# The machine's own architecture: the package may be installed for others too (arm64 beside
# amd64), and each would add its version.
version=$(dpkg-query -W -f='${source:Version}' "libturbojpeg0-dev:$(dpkg --print-architecture)")
if [ -f "$dir/lib/libturbojpeg.a" ] && [ "$(cat "$dir/version" 2>/dev/null)" = "$version" ]; then
  exit 0
fi
echo "build-libjpeg-turbo: building libjpeg-turbo $version for $target in $dir"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# apt-get source needs a deb-src entry for the suite the machine runs.
if ! apt-get source --print-uris "libjpeg-turbo=$version" >/dev/null 2>&1; then
  . /etc/os-release
  $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $sudo apt-get update -qq
fi

rm -rf "$dir/src" "$dir/build" "$dir/include" "$dir/lib" "$dir/version"
mkdir -p "$dir/src"
(cd "$dir/src" && apt-get source -qq "libjpeg-turbo=$version" >/dev/null 2>&1)
src=$(find "$dir/src" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
[ -n "$src" ] || { echo "build-libjpeg-turbo: apt-get source gave no source folder" >&2; exit 1; }

options=(-S "$src" -B "$dir/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir" -DENABLE_SHARED=OFF
  -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=ON -DWITH_JAVA=OFF)
if [ "$target" = wasm ]; then
  # em++ writes its .js only when it finds its node modules. CMake's checks run their test
  # programs under node; the toolchain's own choice of emulator fails on this node.
  export NODE_PATH=/usr/share/nodejs
  emcmake cmake "${options[@]}" "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" >/dev/null
else
  cmake "${options[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$dir/build" -j "$JOBS" --target turbojpeg-static >/dev/null

mkdir -p "$dir/include" "$dir/lib"
cp "$src/turbojpeg.h" "$dir/include/"
cp "$dir/build/libturbojpeg.a" "$dir/lib/"
echo "$version" >"$dir/version"
