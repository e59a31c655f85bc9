#!/usr/bin/env bash
# The demo in a real window on its own Xvfb server, keys from xdotool; one case per call:
#   play    1024x768: the centred borderless 800x600 window, its icon, sound (SDL's disk audio),
#           Escape ending it with status 0.
#   scaled  1920x1200: --scale 2 gives a centred 1600x1200 window of the frames doubled pixel for
#           pixel, nothing said; Alt+Enter and F11 switch to fullscreen (doubled, black bars) and
#           back; Escape ends it from fullscreen; --fullscreen starts that way.
#   fit     1920x1080 and 1024x768: --scale 2 and 3 fall back to 1, saying so in one line (other
#           factors: LaunchTest); a desktop's panel (_NET_WORKAREA) takes its part of the screen
#           away from the window, which is kept clear of it.
#   assets  the show's files found from another folder: the build's assets/ (one line), --assets
#           DIR (nothing said); a program installed elsewhere without them (one line naming where
#           it looked, and the show plays black) and with them in share/quen (one line).
#   lost    xdotool windowkill REPEATS times, and the X server ending: one line, status 1 within
#           3 s, every time; windowclose, SIGHUP, SIGTERM, SIGINT: status 0, nothing said.
#   depths  a screen of depth 30 shows the show's frames, through a visual SDL can draw into;
#           on one of depth 8, where SDL can draw into none, one line and status 1 at once.
#   streams started with stderr, or stdout and stderr, closed, from a folder without the show's
#           files (a line about them): /dev/null in their place, and SIGTERM still ends it.
#   startup huge pictures slow start-up by seconds: SIGTERM and Escape end it within 1.5 s.
#   alt     Alt that the window was told of but the X server no longer holds (as after
#           Alt+Tab) does not make F4 a close; Alt+F4 does.
# Usage: window_test.sh QUEN ASSETS CAPTURE CASE
set -uo pipefail
quen=$(realpath "$1") assets=$(realpath "$2") capture=$(realpath "$3") case=$4
. "$(dirname "$0")/../lib.sh"
use_work
lost_line="quen: lost the connection to the display"

# play [OPTION...]: starts the demo in the assets folder; sets pid and wid (empty: no window).
# Sound goes to SDL's silent driver unless `audio` names another.
audio=dummy
play() {
  (cd "$assets" && exec env SDL_AUDIODRIVER=$audio SDL_DISKAUDIOFILE="$work/audio.raw" \
    "$quen" "$@" 2>"$work/stderr") &
  pid=$!
  wid=$(wait_for_window "$pid") || fail "no window titled Quen/XDL ($*)"
}

# ends WHAT STATUS [STDERR]: the demo ends within 3 s with STATUS, having said STDERR (or nothing).
ends() {
  wait_for_exit "$pid" 3
  echo "$1: exit $exit_status"
  [ "$exit_status" = "$2" ] && [ "$(cat "$work/stderr")" = "${3:-}" ] ||
    fail "$1: exit $exit_status; expected $2 within 3 s and ${3:-nothing} on stderr"
}

# Screenshots, each of which must show a frame of the show (as quen-capture renders it)
# doubled with nearest-neighbour sampling, between black bars where fullscreen. The show's
# clock starts after the window appears: no shot is later in it than that.
shots=() latest=0
shoot() {
  sleep 0.5
  import -window root "$work/$1.png" && shots+=("$work/$1.png")
  latest=$(($(date +%s%N) / 1000000 - shown))
}
check_shots() {
  local png ms black
  black=$(hash_rgb -size 160x1200 xc:black)
  for png in "${shots[@]}"; do
    convert "$png" -crop 1600x1200+160+0 -sample 50% "$work/half.png"
    ms=$(frame_of "$work/half.png" "$capture" "$assets" $((latest / 50 + 1)))
    [ -n "$ms" ] &&
      [ "$(hash_rgb "$png" -crop 1600x1200+160+0)" = "$(hash_rgb "$work/frames/$ms.png" -sample 200%)" ] &&
      [ "$(hash_rgb "$png" -crop 160x1200+0+0)" = "$black" ] &&
      [ "$(hash_rgb "$png" -crop 160x1200+1760+0)" = "$black" ] &&
      echo "$(basename "$png"): the frame of $ms ms, doubled, black bars" ||
      fail "$(basename "$png") is not a frame of the show doubled between black bars"
  done
}

case $case in
  play)
    start_x 1024x768 "$work"
    audio=disk
    play
    sleep 3 # let the show and the music run
    keys "$wid" "-:112,84,800,600"
    # SDL asks for no decorations through _MOTIF_WM_HINTS (flags 0x2, decorations 0) where a
    # window manager has defined the atom; on a bare X server nothing draws decorations.
    hints=$(xprop -id "$wid" _MOTIF_WM_HINTS 2>/dev/null)
    grep -qE '0x2, 0x0|no such atom' <<<"$hints" || fail "window has decorations: $hints"
    icon=$(xprop -id "$wid" _NET_WM_ICON | head -n1)
    grep -q 'Icon (48 x 48)' <<<"$icon" || fail "no 48x48 icon: $icon"
    xdotool key --window "$wid" Escape
    wait_for_exit "$pid" 2
    echo "$icon; Escape: exit $exit_status"
    [ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape"
    check_loud "$work/audio.raw"
    ;;

  scaled)
    start_x 1920x1200 "$work"
    play --scale 2
    shown=$(($(date +%s%N) / 1000000))
    keys "$wid" "-:160,0,1600,1200"
    shoot scaled
    keys "$wid" "alt+Return:0,0,1920,1200"
    shoot fullscreen
    keys "$wid" "F11:160,0,1600,1200" "F11:0,0,1920,1200"
    xdotool key --window "$wid" Escape
    ends "Escape in fullscreen" 0
    check_shots
    play --fullscreen
    keys "$wid" "-:0,0,1920,1200"
    xdotool key --window "$wid" Escape
    ends "Escape from --fullscreen" 0
    ;;

  fit)
    for screen in 1920x1080 1024x768; do
      start_x "$screen" "$work"
      for scale in 2 3; do
        play --scale "$scale"
        keys "$wid" "-:$(((${screen%x*} - 800) / 2)),$(((${screen#*x} - 600) / 2)),800,600"
        kill "$pid"
        ends "--scale $scale on $screen" 0 "quen: --scale $scale does not fit $screen; using 1"
      done
      kill "$xserver"
    done
    # A 300-pixel panel at the top of a 1920x1080 screen, as a desktop announces it.
    start_x 1920x1080 "$work"
    xprop -root -f _NET_WORKAREA 32cccc -set _NET_WORKAREA "0, 300, 1920, 780"
    play --scale 2
    keys "$wid" "-:560,300,800,600"
    kill "$pid"
    ends "--scale 2 under a panel" 0 "quen: --scale 2 does not fit 1920x780; using 1"
    ;;

  assets)
    start_x 1024x768 "$work"
    mkdir "$work/empty"
    # from FOLDER WHERE LINE [OPTION...]: the demo started in FOLDER plays with WHERE as its
    # folder, having said LINE (its first line of stderr, "" for none); sets pid.
    from() {
      local folder=$1 where=$2 line=$3
      shift 3
      (cd "$folder" && exec env SDL_AUDIODRIVER=dummy "$quen" "$@" 2>"$work/stderr") &
      pid=$!
      wid=$(wait_for_window "$pid") || fail "no window from $folder ($*)"
      sleep 0.5
      echo "from $folder $*: in $(readlink "/proc/$pid/cwd"), said: $(head -n1 "$work/stderr")"
      [ "$(readlink "/proc/$pid/cwd")" = "$where" ] || fail "$*: plays in the wrong folder"
      [ "$(head -n1 "$work/stderr")" = "$line" ] || fail "$*: not the line expected: $line"
    }
    from "$work/empty" "$assets" \
      "quen: taking the pictures and music from $assets (none in $work/empty)"
    kill "$pid"
    wait_for_exit "$pid" 3
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "more than the one line"
    from "$work/empty" "$assets" "" --assets "$assets"
    kill "$pid"
    ends "--assets" 0
    # The program installed elsewhere without its files: the show starts, black.
    mkdir -p "$work/libexec/quen"
    cp "$quen" "$work/libexec/quen/quen"
    quen=$work/libexec/quen/quen
    from "$work/empty" "$work/empty" "quen: the pictures and music are in none of $work/empty, \
$work/share/quen; the show plays black and silent (run it in their folder, as in cd assets && \
../build/quen, or name it with --assets DIR)"
    import -window root -crop 800x600+112+84 "$work/black.png"
    [ "$(hash_rgb "$work/black.png")" = "$(hash_rgb -size 800x600 xc:black)" ] ||
      fail "the show without its files is not black"
    kill "$pid"
    wait_for_exit "$pid" 3
    echo "then the show's own lines: $(tail -n +2 "$work/stderr" | cut -d'"' -f2 | tr '\n' ' ')"
    [ "$(grep -c '^quen: cannot load picture' "$work/stderr")" = 5 ] ||
      fail "the show did not say which pictures it lacks"
    # With its files installed beside it.
    mkdir -p "$work/share/quen"
    cp "$assets"/*.jpg "$assets"/zeft.mp3 "$work/share/quen/"
    from "$work/empty" "$work/share/quen" \
      "quen: taking the pictures and music from $work/share/quen (none in $work/empty)"
    kill "$pid"
    ends "installed" 0 "quen: taking the pictures and music from $work/share/quen (none in $work/empty)"
    ;;

  lost)
    start_x 1024x768 "$work"
    for i in $(seq "${REPEATS:-12}"); do
      play
      sleep 0.$((RANDOM % 10)) # the show at a different point each time
      xdotool windowkill "$wid"
      ends "windowkill, run $i" 1 "$lost_line"
    done
    for how in windowclose HUP TERM INT; do
      play
      sleep 0.5
      if [ "$how" = windowclose ]; then xdotool windowclose "$wid"; else kill -"$how" "$pid"; fi
      ends "$how" 0
    done
    play
    kill "$xserver" # the X server ends under the show
    ends "X server ended" 1 "$lost_line"
    ;;

  depths)
    start_x 1024x768 "$work" 30
    play
    shown=$(($(date +%s%N) / 1000000))
    sleep 1
    import -window root -crop 800x600+112+84 "$work/deep.png"
    ms=$(frame_like "$work/deep.png" "$capture" "$assets" \
      $((($(date +%s%N) / 1000000 - shown) / 50 + 1)))
    echo "depth 30: the frame of ${ms:-no} ms"
    [ -n "$ms" ] || fail "depth 30: the window does not show a frame of the show"
    kill "$pid"
    ends "SIGTERM at depth 30" 0
    kill "$xserver"
    start_x 1024x768 "$work" 8
    (cd "$assets" && exec env SDL_AUDIODRIVER=dummy "$quen" 2>"$work/stderr") &
    pid=$!
    wait_for_exit "$pid" 3
    echo "depth 8: exit $exit_status, $(cat "$work/stderr")"
    [ "$exit_status" = 1 ] && [ "$(wc -l <"$work/stderr")" = 1 ] &&
      grep -q "^quen: cannot show frames on this display: " "$work/stderr" ||
      fail "depth 8: not one line saying the display cannot show frames, and status 1"
    ;;

  streams)
    start_x 1024x768 "$work"
    mkdir "$work/empty"
    # The descriptors closed: how, and which.
    for closed in "2>&-:2" ">&- 2>&-:1 2" "<&- >&- 2>&-:0 1 2"; do
      (cd "$work/empty" && eval "exec env SDL_AUDIODRIVER=dummy \"\$quen\" ${closed%:*}") &
      pid=$!
      wid=$(wait_for_window "$pid") || fail "${closed%:*}: no window"
      : >"$work/stderr"
      for fd in ${closed#*:}; do
        where=$(readlink "/proc/$pid/fd/$fd")
        [ "$where" = /dev/null ] || fail "${closed%:*}: descriptor $fd is $where, not /dev/null"
      done
      sleep 0.5
      kill "$pid"
      ends "SIGTERM after ${closed%:*}" 0
    done
    ;;

  startup)
    start_x 1024x768 "$work"
    mkdir "$work/huge"
    convert -size 8000x8000 xc:gray50 "$work/huge/j1.jpg"
    for picture in initial j2 j3 scroller; do cp "$work/huge/j1.jpg" "$work/huge/$picture.jpg"; done
    cp "$assets/zeft.mp3" "$work/huge/"
    for how in TERM Escape; do
      (cd "$work/huge" && exec env SDL_AUDIODRIVER=dummy "$quen" 2>"$work/stderr") &
      pid=$!
      wid=$(wait_for_window "$pid") || fail "no window"
      sleep 0.5
      asked=$(date +%s%N)
      if [ "$how" = TERM ]; then kill "$pid"; else xdotool key --window "$wid" Escape; fi
      wait_for_exit "$pid" 10
      took=$((($(date +%s%N) - asked) / 1000000))
      echo "$how during start-up: exit $exit_status after $took ms"
      [ "$exit_status" = 0 ] && [ "$took" -le 1500 ] && [ ! -s "$work/stderr" ] ||
        fail "$how during start-up: exit $exit_status after $took ms; expected 0 within 1.5 s"
    done
    ;;

  alt)
    start_x 1024x768 "$work"
    play
    sleep 0.5
    xdotool windowfocus "$wid"
    python3 "$(dirname "$0")/stale_alt.py" "$wid"
    sleep 0.2
    xdotool key F4
    sleep 1
    kill -0 "$pid" 2>/dev/null && echo "F4 after a stale Alt: still playing" ||
      fail "F4 after a stale Alt closed the show"
    xdotool key alt+F4
    ends "Alt+F4" 0
    ;;

  *) fail "unknown case $case" ;;
esac

finish
