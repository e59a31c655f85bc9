#!/usr/bin/env bash
# Renders docs/strip.png, the row of frames at the top of the README, with the capture tool
# and ImageMagick: one frame from each part of the show.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
capture=${1:-$top/build/quen-capture}
times=(9000 17000 25000 36000 45000 55000 75000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$top/assets" && "$capture" --at "$(IFS=,; echo "${times[*]}")" --out "$work")
frames=()
for t in "${times[@]}"; do frames+=("$work/$t.png"); done
mkdir -p "$top/docs"
convert "${frames[@]}" -resize 224x168 -bordercolor "#404040" -border 2 +append -strip \
  "$top/docs/strip.png"
echo "wrote docs/strip.png"
