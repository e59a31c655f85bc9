#!/usr/bin/env bash
# A simulated hour of the show (one frame for every 50 ms step, 72,000 frames), headless, with
# the project's pictures and music: prints the resident size and the heap in use after a first
# pass over the schedule and at the end, and fails if either grew.
#
# Usage: scripts/memory-soak.sh [SIMULATED_MINUTES] [BUILD_DIR]   (default: 60, build)
set -euo pipefail
minutes=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build}
cd "$root"
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target quen-memory-soak >/dev/null
"$build/bench/quen-memory-soak" "$root/assets" "$minutes"
