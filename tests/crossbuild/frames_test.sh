#!/usr/bin/env bash
# Every frame of the show, steps 0-2399 (the whole show and one scroller cycle), rendered by
# another build (Windows under Wine, arm64 under qemu) and by the Linux build in the same order
# on a stopped clock, must be identical bit for bit: all decode the pictures with the same
# libjpeg-turbo, and the mathematics digest (cube rotations for every millisecond, focal length)
# must match too.
#
# Usage: frames_test.sh NAME RUNNER FRAME_SUMS MATH_DIGEST ASSETS_DIR LINUX_BUILD [FIRST LAST]
#   NAME: what the other build is called in messages; RUNNER: the program that runs it (wine,
#   qemu-aarch64-static). LINUX_BUILD: the Linux build folder, with
#   tests/crossbuild/quen-frame-sums and tests/crossbuild/quen-math-digest.
set -euo pipefail
name=$1 runner=$2 sums=$(realpath "$3") digest=$(realpath "$4") assets=$(realpath "$5")
linux=$(realpath "$6") first=${7:-0} last=${8:-2399}
for tool in quen-frame-sums quen-math-digest; do
  if [ ! -x "$linux/tests/crossbuild/$tool" ]; then
    echo "FAIL: no Linux $tool in $linux/tests/crossbuild (cmake --build --preset default)"
    exit 1
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$assets"
# Windows programs end their lines with CR LF; Wine's sound libraries talk on stderr.
"$runner" "$sums" "$first" "$last" 2> >(grep -v '^ALSA lib' >&2) | tr -d '\r' >"$work/other"
"$linux/tests/crossbuild/quen-frame-sums" "$first" "$last" 2>/dev/null >"$work/linux"

failures=0
differing=$(diff --changed-group-format='%<' --unchanged-group-format='' "$work/linux" "$work/other" |
  cut -d' ' -f1 || true)
count=$(grep -c . <<<"$differing" || true)
echo "$((last - first + 1)) frames compared, $count differ${differing:+, the first at step ${differing%%$'\n'*}}"
[ "$(wc -l <"$work/other")" -eq $((last - first + 1)) ] && [ "$count" -eq 0 ] || {
  echo "FAIL: the $name build gave $(wc -l <"$work/other") frames, not all equal to the Linux build's"
  failures=1
}
if ! diff <("$runner" "$digest" 2>/dev/null | tr -d '\r') <("$linux/tests/crossbuild/quen-math-digest"); then
  echo "FAIL: the mathematics digest differs (above: < $name, > Linux)"
  failures=$((failures + 1))
fi
((failures == 0)) || exit 1
echo "PASS"
