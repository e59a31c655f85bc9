# Shell helpers for the tests that run the demo in a real window (sourced, not run).

# use_work: makes the scratch folder `work`, removed at exit after the programs this shell
# started in the background (the X server, the demo) are stopped, and defines fail MESSAGE,
# which reports a failed check with the demo's stderr ($work/stderr), and finish, which ends
# with the summary.
use_work() {
  work=$(mktemp -d) failures=0
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  fail() {
    echo "FAIL: $*"
    [ -s "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"
    failures=$((failures + 1))
  }
  finish() {
    [ "$failures" -eq 0 ] && echo "PASS" || { echo "FAIL: $failures check(s) failed"; exit 1; }
  }
}

# start_x WIDTHxHEIGHT DIR [DEPTH]: starts an Xvfb server of that size and depth (default 24),
# sets DISPLAY to it and xserver to its pid (the caller stops it); DIR/display receives its
# number.
start_x() {
  rm -f "$2/display"
  Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "$1x${3:-24}" 3>"$2/display" >/dev/null 2>&1 &
  xserver=$!
  for _ in $(seq 100); do [ -s "$2/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(cat "$2/display")
}

# wait_for_window PID [SECONDS]: prints the id of the shown window titled Quen/XDL, waiting up to
# SECONDS (default 5) while process PID lives; returns 1 when none appears.
wait_for_window() {
  local wid
  for _ in $(seq $((${2:-5} * 20))); do
    wid=$(xdotool search --onlyvisible --name '^Quen/XDL$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && { echo "$wid"; return 0; }
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# window_geometry WID: "x,y,width,height" of the window on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x","y","w","h}'
}

# keys WID KEY:X,Y,W,H...: presses each key in window WID ("-": none) and checks where the
# window is then, once the X server has settled.
keys() {
  local wid=$1 step now
  for step in "${@:2}"; do
    [ "${step%%:*}" = - ] || { xdotool windowfocus "$wid"; xdotool key "${step%%:*}"; }
    for _ in $(seq 40); do
      now=$(window_geometry "$wid")
      [ "$now" = "${step#*:}" ] && break
      sleep 0.05
    done
    echo "${step%%:*}: window at $now"
    [ "$now" = "${step#*:}" ] || fail "${step%%:*}: window at $now, not ${step#*:}"
  done
}

# wait_for_exit PID SECONDS: waits for process PID, a child of this shell, to end and sets
# exit_status to its status, or to "running" when it still ran after SECONDS (it is killed).
wait_for_exit() {
  for _ in $(seq $(($2 * 20))); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.05
  done
  kill -9 "$1" 2>/dev/null && { wait "$1" 2>/dev/null; exit_status=running; return; }
  wait "$1" && exit_status=0 || exit_status=$?
}

# now_ms: the wall clock in milliseconds.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# shoot_window SHOWN: two seconds after SHOWN (now_ms when the window appeared), the 800x600
# window centred on a 1024x768 screen saved as $work/shot.png; sets last to the latest step the
# show can have reached (its clock starts after the window is shown).
shoot_window() {
  sleep 2
  import -window root -crop 800x600+112+84 +repage "$work/shot.png"
  last=$((($(now_ms) - $1) / 50 + 1))
}

# escape_ends PID WID AUDIO: Escape ends the show in window WID with status 0, and the sound
# recorded in AUDIO was not silent.
escape_ends() {
  xdotool windowfocus "$2"
  xdotool key Escape
  wait_for_exit "$1" 10
  echo "Escape: exit status $exit_status"
  [ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape"
  check_loud "$3"
}

# check_loud FILE: the 16-bit samples the audio device recorded in FILE are not all silence.
check_loud() {
  local loud
  loud=$(od -An -v -t d2 -w2 "$1" | awk '$1 > 1000 || $1 < -1000 {n++} END {print n+0}')
  echo "audio: $(stat -c %s "$1") bytes, $loud loud samples"
  [ "$loud" -gt 1000 ] || fail "the sound that reached the audio device is silent"
}

# hash_rgb PICTURE [CONVERT_OPTION...]: a digest of the picture's 8-bit RGB pixels.
hash_rgb() { convert "$@" -depth 8 rgb:- | md5sum | cut -c1-32; }

# frame_of PNG CAPTURE ASSETS LAST [FIRST]: the time in ms of the frame, among those in the
# middle of steps FIRST (default 0) to LAST as the capture tool renders them (into $work/frames,
# or $work/frames-FIRST, hashed once), whose pixels are exactly PNG's; nothing when there is none.
frame_of() {
  local frame first=${5:-0} dir="$work/frames"
  [ "$first" = 0 ] || dir="$work/frames-$first"
  [ -d "$dir" ] || {
    "$2" --assets "$3" --at "$(seq -s, $((first * 50 + 25)) 50 $(($4 * 50 + 25)))" --out "$dir" \
      >/dev/null 2>&1 || fail "quen-capture"
    for frame in "$dir"/*.png; do
      echo "$(hash_rgb "$frame") $(basename "$frame" .png)"
    done >"$dir.hashes"
  }
  awk -v want="$(hash_rgb "$1")" '$1 == want { print $2; exit }' "$dir.hashes"
}

# frame_like PNG CAPTURE ASSETS LAST: as frame_of, for a screen that holds fewer or more bits a
# channel than 8: the frame whose every pixel is within 1% of PNG's.
frame_like() {
  local frame
  [ -d "$work/frames" ] ||
    "$2" --assets "$3" --at "$(seq -s, 25 50 $(($4 * 50 + 25)))" --out "$work/frames" \
      >/dev/null 2>&1 || fail "quen-capture"
  for frame in "$work"/frames/*.png; do
    [ "$(compare -metric AE -fuzz 1% "$1" "$frame" null: 2>&1)" = 0 ] &&
      { basename "$frame" .png; return; }
  done
}
