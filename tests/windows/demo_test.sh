#!/usr/bin/env bash
# The Windows demo under Wine on a 1024x768 X screen, as a user runs it: its window (800x600 at
# (112, 84), titled "Quen/XDL"); a screenshot about two seconds in, which must equal the Linux
# build's frame of the same moment of the reveal wipe bit for bit; a
# processor that the paced frames leave mostly idle; sound reaching the audio device; Escape
# ending it with exit code 0. Then the launcher's options, as on Linux: a mistake refused with
# status 2; on a 1920x1200 screen of its own, --scale 2 gives a centred 1600x1200 window, and
# Alt+Enter and F11 switch it to fullscreen and back.
#
# Usage: demo_test.sh QUEN.exe ASSETS_DIR LINUX_CAPTURE_TOOL
set -euo pipefail
quen=$(realpath "$1") assets=$(realpath "$2") capture=$(realpath "$3")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
if [ ! -x "$capture" ]; then
  echo "FAIL: no Linux capture tool at $capture (cmake --build --preset default --target quen-capture)"
  exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/alsa_capture.sh"
. "$here/../lib.sh"
work=$(mktemp -d)
pid="" xserver=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ -n "$xserver" ] && kill "$xserver" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
now_ms() { echo $(($(date +%s%N) / 1000000)); }
fail() {
  echo "FAIL: $*"
  [ -s "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"
  exit 1
}

cd "$assets"
alsa_capture "$work/audio.raw"
started=$(now_ms)
wine "$quen" 2>"$work/stderr" &
pid=$!

wid=$(wait_for_window "$pid" 15) || fail "no window titled Quen/XDL within 15 s"
shown=$(now_ms)
echo "window after $((shown - started)) ms"

# The show's clock starts after the window is shown, once the pictures and the music are
# loaded: the screenshot cannot be later in the show than the time since the window appeared.
sleep 2
before=$(now_ms)
import -window root -crop 800x600+112+84 +repage "$work/shot.png"
after=$(now_ms)
geometry=$(window_geometry "$wid")
echo "window geometry $geometry"
[ "$geometry" = "112,84,800,600" ] || fail "window geometry $geometry, not 112,84,800,600"
# Wine asks for no decorations of a WS_POPUP window through _MOTIF_WM_HINTS: flags, functions,
# decorations (0), ...
hints=$(xprop -id "$wid" _MOTIF_WM_HINTS 2>/dev/null || true)
echo "$hints" | grep -qE '= 0x[0-9a-f]*[2367abef], 0x[0-9a-f]+, 0x0' ||
  fail "the window asks for decorations: $hints"

# Processor time of the demo so far: the frames are paced to the display's rate, so it stays
# well below one whole core even though the main loop never waits.
read -r utime stime < <(awk '{print $14, $15}' "/proc/$pid/stat")
cpu=$(((utime + stime) * 1000 / $(getconf CLK_TCK) * 100 / (after - started)))
echo "processor use ${cpu}% of one core"
[ "$cpu" -lt 60 ] || fail "the demo uses ${cpu}% of a core: frames are not paced"

xdotool windowfocus "$wid"
xdotool key Escape
escaped=$(now_ms)
wait_for_exit "$pid" 10
status=$exit_status
pid=""
[ "$status" = running ] && fail "still running 10 s after Escape"
echo "exit status $status, $(($(now_ms) - escaped)) ms after Escape"
[ "$status" -eq 0 ] || fail "exit status $status"

# Sound reached the audio device: 16-bit stereo, not all silence.
[ -s "$work/audio.raw" ] || fail "no sound reached the audio device"
loud=$(od -An -v -t d2 -w2 "$work/audio.raw" | awk '$1 > 1000 || $1 < -1000 {n++} END {print n+0}')
echo "audio: $(stat -c %s "$work/audio.raw") bytes, $loud loud samples"
[ "$loud" -gt 1000 ] || fail "the sound that reached the audio device is silent"

# The screenshot against the Linux frames of every step the show can have reached, each in the
# middle of its step. The best match gives the step; the others show how far apart steps are.
last=$(((after - shown) / 50 + 1))
times=$(seq -s, 25 50 $((last * 50 + 25)))
"$capture" --at "$times" --out "$work/linux" 2>/dev/null
best="" best_pae=999999 second_pae=999999
for ((step = 0; step <= last; step++)); do
  # compare prints the peak error and exits with 1 when the pictures differ at all.
  pae=$(compare -metric PAE "$work/shot.png" "$work/linux/$((step * 50 + 25)).png" null: 2>&1 || true)
  pae=${pae%% *}
  pae=$((pae / 257)) # 16-bit quantum to 8-bit channel steps
  if ((pae < best_pae)); then
    second_pae=$best_pae best_pae=$pae best=$step
  elif ((pae < second_pae)); then
    second_pae=$pae
  fi
done
echo "screenshot $((before - shown))-$((after - shown)) ms after the window appeared equals" \
  "the Linux frame of step $best (${best}x50+25 ms) with largest channel difference $best_pae;" \
  "the next best of steps 0-$last differs by $second_pae"
((best_pae == 0)) || fail "no Linux frame equals the screenshot (best: step $best, differing by $best_pae)"
((best >= 1 && best <= 200)) || fail "step $best is not in the reveal wipe"
startup=$((before - shown - best * 50))
echo "start-up (window shown to the show's clock starting): about $startup ms"
((startup < 3000)) || fail "the show's clock started $startup ms after the window appeared"

# The launcher's options.
set +e
err=$(wine "$quen" --scale 0 2>&1 >/dev/null)
status=$?
set -e
echo "--scale 0: exit $status, $err"
[ "$status" -eq 2 ] && [[ $err == "quen: --scale needs"* ]] || fail "--scale 0 not refused"
start_x 1920x1200 "$work"
wine "$quen" --scale 2 2>"$work/stderr" &
pid=$!
wid=$(wait_for_window "$pid" 15) || fail "no window with --scale 2"
keys "$wid" "-:160,0,1600,1200" "alt+Return:0,0,1920,1200" "F11:160,0,1600,1200"
xdotool key Escape
wait_for_exit "$pid" 10
pid=""
[ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape with --scale 2"
echo "PASS"
