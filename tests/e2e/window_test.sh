#!/usr/bin/env bash
# The demo as a user runs it, in a real window on its own Xvfb server, keys from xdotool. One
# case per call:
#   play     1024x768 screen: the centred, borderless 800x600 window with the project's icon,
#            sound through SDL's disk audio, Escape ending it at once with status 0.
#   scaled   1920x1200 screen: --scale 2 gives a centred 1600x1200 window showing the show's
#            frames doubled pixel for pixel; Alt+Enter and F11 switch to fullscreen (the same
#            doubled frame between black bars) and back; Escape ends it from fullscreen;
#            --fullscreen starts that way.
#   lost     the connection to the display killed (xdotool windowkill) REPEATS times and the X
#            server ended: one line and status 1 within 3 s, every time; the window destroyed by
#            another program (windowclose), SIGHUP, SIGTERM and SIGINT: status 0, nothing said.
#
# Usage: window_test.sh QUEN ASSETS CAPTURE CASE
set -uo pipefail
quen=$(realpath "$1") assets=$(realpath "$2") capture=$(realpath "$3") case=$4
. "$(dirname "$0")/../lib.sh"
work=$(mktemp -d)
servers=()
cleanup() {
  for p in "${servers[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  [ -s "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"
  failures=$((failures + 1))
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# play [OPTION...]: starts the demo in the assets folder; sets pid and wid (empty: no window).
# Sound goes to SDL's silent driver unless `audio` names another.
audio=dummy
play() {
  (cd "$assets" && exec env SDL_AUDIODRIVER=$audio SDL_DISKAUDIOFILE="$work/audio.raw" \
    "$quen" "$@" 2>"$work/stderr") &
  pid=$!
  wid=$(wait_for_window "$pid") || fail "no window titled Quen/XDL ($*)"
}

# expect_geometry WHAT X,Y,W,H: the window's place and size, once the X server has settled.
expect_geometry() {
  local now=""
  for _ in $(seq 20); do
    now=$(window_geometry "$wid")
    [ "$now" = "$2" ] && { echo "$1: $now"; return; }
    sleep 0.05
  done
  fail "$1: window at $now, not $2"
}

# Screenshots of the scaled picture, kept with the time since the window appeared; each must
# be a frame of the show (as quen-capture renders it) doubled with nearest-neighbour sampling.
shots=()
shoot() { # shoot NAME: the part of the screen where a doubled frame belongs on this screen
  local name=$work/$1.png
  import -window root "$name" && shots+=("$name:$(($(now_ms) - shown))")
}
hash_rgb() { convert "$@" -depth 8 rgb:- | md5sum | cut -c1-32; }
check_shots() {
  local latest=0 entry
  for entry in "${shots[@]}"; do ((${entry##*:} > latest)) && latest=${entry##*:}; done
  # The show's clock starts after the window appears: no shot is later in it than that.
  local last=$((latest / 50 + 1)) times
  times=$(seq -s, 25 50 $((last * 50 + 25)))
  "$capture" --assets "$assets" --at "$times" --out "$work/frames" 2>/dev/null ||
    { fail "quen-capture"; return; }
  # Frames by their hash; a shot's candidate is the frame of every other pixel of it, and it
  # must then equal that frame doubled.
  declare -A frames
  for f in "$work"/frames/*.png; do frames[$(hash_rgb "$f")]=$f; done
  local black
  black=$(hash_rgb -size 160x1200 xc:black)
  for entry in "${shots[@]}"; do
    local png=${entry%:*} frame
    frame=${frames[$(hash_rgb "$png" -crop 1600x1200+160+0 -sample 50%)]:-}
    if [ -n "$frame" ] && [ "$(hash_rgb "$png" -crop 1600x1200+160+0)" = "$(hash_rgb "$frame" -sample 200%)" ]; then
      echo "$(basename "$png"): the frame of $(basename "$frame" .png) ms, doubled"
    else
      fail "$(basename "$png") is not a frame of steps 0-$last doubled"
    fi
    [ "$(hash_rgb "$png" -crop 160x1200+0+0)" = "$black" ] &&
      [ "$(hash_rgb "$png" -crop 160x1200+1760+0)" = "$black" ] ||
      fail "$(basename "$png"): the bars beside the picture are not black"
  done
}

case $case in
  play)
    start_x 1024x768 "$work"
    servers+=("$xserver")
    audio=disk
    play
    sleep 3 # let the show and the music run
    expect_geometry "window" "112,84,800,600"
    # SDL asks for no decorations through _MOTIF_WM_HINTS (flags 0x2, decorations 0) where a
    # window manager has defined the atom; on a bare X server nothing draws decorations.
    hints=$(xprop -id "$wid" _MOTIF_WM_HINTS 2>/dev/null)
    grep -qE '0x2, 0x0|no such atom' <<<"$hints" || fail "window has decorations: $hints"
    icon=$(xprop -id "$wid" _NET_WM_ICON | head -n1)
    echo "$icon"
    grep -q 'Icon (48 x 48)' <<<"$icon" || fail "no 48x48 icon: $icon"
    xdotool key --window "$wid" Escape
    wait_for_exit "$pid" 2; status=$exit_status
    echo "Escape: exit $status"
    [ "$status" = 0 ] || fail "exit status $status after Escape"
    # The captured audio: 16-bit stereo samples, not all silence.
    loud=$(od -An -v -t d2 -w2 "$work/audio.raw" | awk '$1 > 1000 || $1 < -1000 {n++} END {print n+0}')
    echo "audio: $(stat -c %s "$work/audio.raw" 2>/dev/null) bytes, $loud loud samples"
    [ "$loud" -gt 1000 ] || fail "captured audio is silent"
    ;;

  scaled)
    start_x 1920x1200 "$work"
    servers+=("$xserver")
    play --scale 2
    shown=$(now_ms)
    expect_geometry "--scale 2" "160,0,1600,1200"
    sleep 1
    shoot scaled
    xdotool key --window "$wid" alt+Return
    expect_geometry "Alt+Enter" "0,0,1920,1200"
    sleep 0.5
    shoot fullscreen
    xdotool key --window "$wid" F11
    expect_geometry "F11" "160,0,1600,1200"
    xdotool key --window "$wid" F11
    expect_geometry "F11 again" "0,0,1920,1200"
    xdotool key --window "$wid" Escape
    wait_for_exit "$pid" 2; status=$exit_status
    echo "Escape in fullscreen: exit $status"
    [ "$status" = 0 ] || fail "exit status $status after Escape in fullscreen"
    [ -s "$work/stderr" ] && fail "the demo said something"
    check_shots

    play --fullscreen
    expect_geometry "--fullscreen" "0,0,1920,1200"
    xdotool key --window "$wid" Escape
    wait_for_exit "$pid" 2; status=$exit_status
    [ "$status" = 0 ] || fail "exit status $status after Escape from --fullscreen"
    ;;

  lost)
    start_x 1024x768 "$work"
    servers+=("$xserver")
    repeats=${REPEATS:-12}
    results=""
    for i in $(seq "$repeats"); do
      play
      [ -n "$wid" ] || { kill -9 "$pid"; continue; }
      sleep 0.$((RANDOM % 10)) # the show at a different point each time
      xdotool windowkill "$wid"
      wait_for_exit "$pid" 3; status=$exit_status
      results+=" $status"
      [ "$status" = 1 ] && [ "$(cat "$work/stderr")" = "quen: lost the connection to the display" ] ||
        fail "windowkill, run $i: status $status (1 within 3 s and one line expected)"
    done
    echo "windowkill, $repeats runs: exit statuses$results"

    for how in windowclose HUP TERM INT; do
      play
      [ -n "$wid" ] || { kill -9 "$pid"; continue; }
      sleep 0.5
      if [ "$how" = windowclose ]; then xdotool windowclose "$wid"; else kill -"$how" "$pid"; fi
      wait_for_exit "$pid" 3; status=$exit_status
      echo "$how: exit $status"
      [ "$status" = 0 ] && [ ! -s "$work/stderr" ] ||
        fail "$how: status $status (0 and nothing on stderr expected)"
    done

    # The X server itself ends under the show.
    play
    kill "$xserver"
    wait_for_exit "$pid" 3; status=$exit_status
    echo "X server ended: exit $status, $(cat "$work/stderr")"
    [ "$status" = 1 ] && [ "$(cat "$work/stderr")" = "quen: lost the connection to the display" ] ||
      fail "X server ended: status $status (1 within 3 s and one line expected)"
    ;;

  *)
    echo "window_test.sh: unknown case $case" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
  echo "FAIL: $failures check(s) failed"
  exit 1
fi
echo "PASS"
