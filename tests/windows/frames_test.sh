#!/usr/bin/env bash
# Every frame of the show, steps 0-2399 (the whole show and one scroller cycle), rendered by the
# Windows build under Wine and by the Linux build in the same order on a stopped clock, must be
# identical bit for bit: both decode the pictures with the same libjpeg-turbo, and the
# mathematics digest (cube rotations for every millisecond, focal length) must match too.
#
# Usage: frames_test.sh FRAME_SUMS.exe MATH_DIGEST.exe ASSETS_DIR LINUX_BUILD [FIRST LAST]
#   LINUX_BUILD: the Linux build folder, with tests/crossbuild/quen-frame-sums and
#   tests/crossbuild/quen-math-digest.
set -euo pipefail
sums=$(realpath "$1") digest=$(realpath "$2") assets=$(realpath "$3") linux=$(realpath "$4")
first=${5:-0} last=${6:-2399}
for tool in quen-frame-sums quen-math-digest; do
  if [ ! -x "$linux/tests/crossbuild/$tool" ]; then
    echo "FAIL: no Linux $tool in $linux/tests/crossbuild (cmake --build --preset default)"
    exit 1
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$assets"
wine "$sums" "$first" "$last" 2> >(grep -v '^ALSA lib' >&2) | tr -d '\r' >"$work/windows"
"$linux/tests/crossbuild/quen-frame-sums" "$first" "$last" 2>/dev/null >"$work/linux"

failures=0
differing=$(diff --changed-group-format='%<' --unchanged-group-format='' "$work/linux" "$work/windows" |
  cut -d' ' -f1 || true)
count=$(grep -c . <<<"$differing" || true)
echo "$((last - first + 1)) frames compared, $count differ${differing:+, the first at step ${differing%%$'\n'*}}"
[ "$(wc -l <"$work/windows")" -eq $((last - first + 1)) ] && [ "$count" -eq 0 ] || {
  echo "FAIL: the Windows build gave $(wc -l <"$work/windows") frames, not all equal to the Linux build's"
  failures=1
}
if ! diff <(wine "$digest" 2>/dev/null | tr -d '\r') <("$linux/tests/crossbuild/quen-math-digest"); then
  echo "FAIL: the mathematics digest differs (above: < Windows, > Linux)"
  failures=$((failures + 1))
fi
((failures == 0)) || exit 1
echo "PASS"
