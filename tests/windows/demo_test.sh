#!/usr/bin/env bash
# The Windows demo under Wine on a 1024x768 X screen, as a user runs it: its window (800x600 at
# (112, 84), titled "Quen/XDL", undecorated); a screenshot about two seconds in, which must
# equal the Linux build's frame of the same moment of the reveal wipe bit for bit; sound
# reaching the audio device; Escape ending it with exit code 0. Then the launcher's options, as
# on Linux: a mistake refused with status 2; from a folder without the show's files, the files
# found beside the build and --scale 2 falling back to a window that fits the screen; --start 100
# showing a frame from 100 s on; on a 1920x1200 screen of its own, --scale 2 gives a centred
# 1600x1200 window, and Alt+Enter and F11 switch it to fullscreen and back.
#
# Usage: demo_test.sh QUEN.exe ASSETS_DIR LINUX_CAPTURE_TOOL
set -uo pipefail
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
use_work

cd "$assets"
alsa_capture "$work/audio.raw"
wine "$quen" 2>"$work/stderr" &
pid=$!
wid=$(wait_for_window "$pid" 15) || { fail "no window titled Quen/XDL within 15 s"; exit 1; }
shown=$(now_ms)

# The show's clock starts after the window is shown, once the pictures and the music are
# loaded: the screenshot cannot be later in the show than the time since the window appeared.
shoot_window "$shown"
keys "$wid" "-:112,84,800,600"
# Wine asks for no decorations of a WS_POPUP window through _MOTIF_WM_HINTS: flags, functions,
# decorations (0), ...
hints=$(xprop -id "$wid" _MOTIF_WM_HINTS 2>/dev/null)
grep -qE '= 0x[0-9a-f]*[2367abef], 0x[0-9a-f]+, 0x0' <<<"$hints" ||
  fail "the window asks for decorations: $hints"

escape_ends "$pid" "$wid" "$work/audio.raw"

# The screenshot against the Linux frames of every step the show can have reached, each in the
# middle of its step.
ms=$(frame_of "$work/shot.png" "$capture" "$assets" "$last")
echo "the screenshot is the Linux frame of ${ms:-none of} ms (steps 0-$last)"
[ -n "$ms" ] && ((ms / 50 >= 1 && ms / 50 <= 200)) ||
  fail "the screenshot is no Linux frame of the reveal wipe"

# The launcher's options.
err=$(wine "$quen" --scale 0 2>&1 >/dev/null)
status=$?
echo "--scale 0: exit $status, $err"
[ "$status" -eq 2 ] && [[ $err == "quen: --scale needs"* ]] || fail "--scale 0 not refused"
# From a folder without the show's files, --scale 2 on this 1024x768 screen: the files from the
# source tree's assets/ beside the build folder, the window as large as fits, one line for each.
(cd "$work" && exec wine "$quen" --scale 2 2>"$work/stderr") &
pid=$!
wid=$(wait_for_window "$pid" 15) || fail "no window with --scale 2 from another folder"
keys "$wid" "-:112,84,800,600"
xdotool windowfocus "$wid"
xdotool key Escape
wait_for_exit "$pid" 10
tr -d '\r' <"$work/stderr" >"$work/lines" # written in text mode: CR LF
sed 's/^/  stderr: /' "$work/lines"
[ "$exit_status" = 0 ] &&
  grep -qx 'quen: taking the pictures and music from .:\\.*\\assets (none in .*)' "$work/lines" &&
  grep -qx 'quen: --scale 2 does not fit 1024x768; using 1' "$work/lines" ||
  fail "--scale 2 from another folder: not the two lines expected, or exit $exit_status"
# --start 100: the show begins 100 s in, in the scroller.
wine "$quen" --start 100 2>"$work/stderr" &
pid=$!
wid=$(wait_for_window "$pid" 15) || fail "no window with --start 100"
shown=$(now_ms)
sleep 2
import -window root -crop 800x600+112+84 +repage "$work/late.png"
last=$((2000 + ($(now_ms) - shown) / 50 + 1))
xdotool windowfocus "$wid"
xdotool key Escape
wait_for_exit "$pid" 10
ms=$(frame_of "$work/late.png" "$capture" "$assets" "$last" 2000)
echo "--start 100: the screenshot is the Linux frame of ${ms:-none of} ms (steps 2000-$last)"
[ -n "$ms" ] || fail "--start 100: the screenshot is no frame from 100 s on"

# Wine's server outlives its last program by a few seconds and keeps that program's desktop, on
# the first screen: wait until it is gone, so that the next demo opens on the new screen.
wineserver -w
start_x 1920x1200 "$work"
wine "$quen" --scale 2 2>"$work/stderr" &
pid=$!
wid=$(wait_for_window "$pid" 15) || fail "no window with --scale 2"
keys "$wid" "-:160,0,1600,1200" "alt+Return:0,0,1920,1200" "F11:160,0,1600,1200"
xdotool key Escape
wait_for_exit "$pid" 10
[ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape with --scale 2"
finish
