#!/usr/bin/env bash
# The arm64 programs under emulation: quen-capture --at writes PNG files byte for byte equal to
# the Linux build's at moments of every segment of the show; the demo opens its window on a
# 1024x768 Xvfb screen, shows a frame of the show equal to the Linux build's, and ends with
# status 0 on Escape.
#
# Usage: programs_test.sh RUNNER QUEN QUEN_CAPTURE ASSETS_DIR LINUX_BUILD
set -uo pipefail
runner=$1 quen=$(realpath "$2") capture=$(realpath "$3") assets=$(realpath "$4")
linux=$(realpath "$5")
. "$(dirname "$0")/../lib.sh"
use_work

# Wipe, fade, blob field, black pause, blend with j2 and with j3, warp, iris, cubes, scroller.
times=1000,11000,17000,22800,25000,30000,40000,45000,60000,80000
"$runner" "$capture" --assets "$assets" --at "$times" --out "$work/arm64" >/dev/null 2>&1 ||
  fail "the arm64 capture tool failed"
"$linux/quen-capture" --assets "$assets" --at "$times" --out "$work/linux" >/dev/null 2>&1 ||
  fail "the Linux capture tool failed"
for t in ${times//,/ }; do
  cmp -s "$work/linux/$t.png" "$work/arm64/$t.png" && echo "$t.png: identical" ||
    fail "$t.png differs from the Linux build's"
done

start_x 1024x768 "$work"
(cd "$assets" && exec env SDL_AUDIODRIVER=dummy "$runner" "$quen" 2>"$work/stderr") &
pid=$!
# Emulated, start-up takes a few seconds.
wid=$(wait_for_window "$pid" 30) || fail "no window titled Quen/XDL"
if [ -n "$wid" ]; then
  shown=$(($(date +%s%N) / 1000000))
  # The show's clock starts after the window appears, once the files are loaded: the picture on
  # screen is one of the Linux build's frames from then on (black until the first is shown).
  black=$(hash_rgb -size 800x600 xc:black)
  for _ in $(seq 60); do
    sleep 0.5
    import -window root -crop 800x600+112+84 +repage "$work/shot.png"
    [ "$(hash_rgb "$work/shot.png")" != "$black" ] && break
  done
  last=$((($(date +%s%N) / 1000000 - shown) / 50 + 1))
  ms=$(frame_of "$work/shot.png" "$linux/quen-capture" "$assets" "$last")
  echo "the window shows the Linux frame of ${ms:-none of} ms (steps 0-$last)"
  [ -n "$ms" ] || fail "the window shows no frame of the Linux build's"
  xdotool key --window "$wid" Escape
fi
wait_for_exit "$pid" 20
echo "Escape: exit $exit_status"
[ "$exit_status" = 0 ] || fail "Escape: exit $exit_status"
finish
