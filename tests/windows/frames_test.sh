#!/usr/bin/env bash
# Frames of the whole show rendered by the Windows build under Wine (WIC pictures, the C
# runtime's mathematics) against the Linux capture tool's frames of the same moments, rendered
# in the same order. Frames that use no picture (blob field, cubes) must be equal bit for bit;
# frames made from pictures must be within the JPEG decoders' tolerance.
#
# Usage: frames_test.sh QUEN_FRAMES.exe ASSETS_DIR LINUX_CAPTURE_TOOL [TIMES]
#   TIMES: elapsed milliseconds, comma-separated; by default one frame every 0.95 s over the
#   show and one scroller cycle, plus a frame in each of its boundary steps.
set -euo pipefail
frames=$(realpath "$1") assets=$(realpath "$2") capture=$(realpath "$3")
tolerance=${QUEN_JPEG_TOLERANCE:-2}
if [ ! -x "$capture" ]; then
  echo "FAIL: no Linux capture tool at $capture (cmake --build --preset default --target quen-capture)"
  exit 1
fi
if [ $# -ge 4 ]; then
  times=$4
else
  boundaries="0 200 201 249 250 454 455 456 457 558 671 672 849 850 949 950 1299 1300 2199"
  times=$( (
    seq 0 950 110000
    for s in $boundaries; do echo $((s * 50 + 25)); done
  ) | paste -sd,)
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$assets"
mkdir "$work/windows"
start=$(date +%s%N)
wine "$frames" "$work/windows" "$times" 2> >(grep -v '^ALSA lib' >&2)
echo "Windows frames in $((($(date +%s%N) - start) / 1000000)) ms"
"$capture" --at "$times" --out "$work/linux" 2>/dev/null

segment() {
  local s=$1
  if ((s <= 200)); then echo "reveal wipe"
  elif ((s <= 249)); then echo "fade"
  elif ((s <= 454)); then echo "blob field"
  elif ((s <= 456)); then echo "black"
  elif ((s <= 671)); then echo "pulsing blend"
  elif ((s <= 849)); then echo "sine warp"
  elif ((s <= 949)); then echo "iris and cubes"
  elif ((s <= 1299)); then echo "cubes"
  else echo "scroller"
  fi
}

declare -A count equal worst
failures=0
for t in ${times//,/ }; do
  [ -f "$work/linux/$t.png" ] || continue # a repeated time
  seg=$(segment $((t / 50)))
  # compare prints the peak error and the count of differing pixels, and exits with 1 when
  # the pictures differ at all.
  pae=$(compare -metric PAE "$work/windows/$t.ppm" "$work/linux/$t.png" null: 2>&1 || true)
  pae=$((${pae%% *} / 257))
  count[$seg]=$((${count[$seg]:-0} + 1))
  ((pae == 0)) && equal[$seg]=$((${equal[$seg]:-0} + 1))
  ((pae > ${worst[$seg]:-0})) && worst[$seg]=$pae
  case $seg in
    "blob field" | "cubes" | "black") limit=0 ;;
    *) limit=$tolerance ;;
  esac
  if ((pae > limit)); then
    echo "FAIL: frame at $t ms ($seg) differs by $pae (limit $limit)"
    failures=$((failures + 1))
  fi
done
for seg in "reveal wipe" "fade" "blob field" "black" "pulsing blend" "sine warp" "iris and cubes" \
  "cubes" "scroller"; do
  [ -n "${count[$seg]:-}" ] || continue
  printf '%-15s %3d frames, %3d equal bit for bit, largest channel difference %d\n' "$seg" \
    "${count[$seg]}" "${equal[$seg]:-0}" "${worst[$seg]:-0}"
done
((failures == 0)) || exit 1
echo "PASS"
