#!/usr/bin/env bash
# The show's clock as a user moves it, in a real window on Xvfb with sound to SDL's disk audio
# driver: --start 100 begins 100 s in (the music 100 s in, modulo its length); F12 saves the
# frame on screen into the pictures folder, named with its time, the same picture quen-capture
# renders at that time; Space pauses (the time stands, the sound is silent) and resumes where
# it stopped; a process stopped for 3 s resumes with picture and music 3 s on, as if they had
# played on. Without a pictures folder, F12 saves into the folder the demo was started from,
# though it reads its files from another (--assets).
# Usage: clock_test.sh QUEN ASSETS CAPTURE MUSIC_STORY
set -uo pipefail
quen=$(realpath "$1") assets=$(realpath "$2") capture=$(realpath "$3") story=$(realpath "$4")
. "$(dirname "$0")/../lib.sh"
use_work
start_x 1024x768 "$work"

export HOME=$work/home XDG_CONFIG_HOME=
mkdir -p "$HOME/.config" "$HOME/Shots"
echo 'XDG_PICTURES_DIR="$HOME/Shots"' >"$HOME/.config/user-dirs.dirs"

mkdir "$work/start"
(cd "$work/start" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" \
  "$quen" --assets "$assets" --start 100 2>"$work/stderr") &
pid=$!
wid=$(wait_for_window "$pid") || fail "no window titled Quen/XDL"

# shot NAME [FOLDER]: F12, then sets NAME to the time of the frame it saved into FOLDER (the
# pictures folder unless given; empty: none saved there).
shot() {
  local count before
  before=$(grep -c '^quen: saved the frame' "$work/stderr")
  xdotool key --window "$wid" F12
  for _ in $(seq 40); do
    count=$(grep -c '^quen: saved the frame' "$work/stderr")
    [ "$count" -gt "$before" ] && break
    sleep 0.05
  done
  printf -v "$1" '%s' "$(grep '^quen: saved the frame' "$work/stderr" | tail -n1 |
    sed -n 's#.* as '"${2:-$HOME/Shots}"'/quen-\([0-9]*\)\.png$#\1#p')"
  echo "F12: frame at ${!1:-none} ms"
}

# between NAME VALUE LOW HIGH: LOW <= VALUE <= HIGH.
between() {
  [ -n "$2" ] && [ "$2" -ge "$3" ] && [ "$2" -le "$4" ] || fail "$1 is ${2:-none}, not $3 to $4"
}

sleep 1
shot first
between "the first shot's time" "$first" 100000 104000
xdotool key --window "$wid" space
sleep 0.3
shot held
sleep 2
shot still
[ -n "$held" ] && [ "$held" = "$still" ] || fail "the time moved while paused: $held, then $still"
xdotool key --window "$wid" space
sleep 1
shot resumed
between "the time a second after resuming" "$((resumed - still))" 700 3000
kill -STOP "$pid"
sleep 3
kill -CONT "$pid"
sleep 1
shot stalled
between "the time a second after a 3 s stop" "$((stalled - resumed))" 3700 6500
rm "$HOME/.config/user-dirs.dirs"
shot unfiled "$work/start"
[ -n "$unfiled" ] && [ -f "$work/start/quen-$unfiled.png" ] ||
  fail "without a pictures folder, F12 saved nothing where the demo was started"
xdotool key --window "$wid" Escape
wait_for_exit "$pid" 5
[ "$exit_status" = 0 ] || fail "Escape: exit $exit_status"

# The saved pictures are the frames quen-capture renders at their times (the scroller, which
# depends on the time alone; paused, any frame would, as every reading of the clock is the same).
for t in $first $held; do
  "$capture" --assets "$assets" --at "$t" --out "$work/capture" >/dev/null 2>&1
  [ "$(hash_rgb "$HOME/Shots/quen-$t.png")" = "$(hash_rgb "$work/capture/$t.png")" ] ||
    fail "the F12 picture at $t ms is not the capture tool's"
done

# The sound, as segments of music and silence (lines "music FROM TO POSITION", "silence FROM
# TO", in ms of the recording and of the music). Each music segment's offset, its position less
# its place in the recording, is where the music would have been at the recording's start; it
# must follow the clock: the start offset first, less the pause's length once paused, plus the
# stop's 3 s after the stop (the recording itself stops with the process).
"$story" "$assets/zeft.mp3" "$work/audio.raw" >"$work/story"
sed 's/^/  sound: /' "$work/story"
length=$(awk '$1 == "length" {print $2}' "$work/story")
awk -v length="$length" -v expect=$((100000 % ${length:-1})) '
  # The difference of two offsets, folded into (-length/2, length/2].
  function apart(a, b) { d = (a - b) % length; if (d < 0) d += length; return d > length / 2 ? d - length : d }
  $1 == "silence" && $3 - $2 >= 2000 && music { expect -= $3 - $2; paused = 1 }
  $1 == "music" {
    d = apart($4 - $2, expect)
    if (!music && (d < -100 || d > 400)) print "the music starts at offset " $4 - $2 ", not " expect
    else if (music && paused && !stopped && d >= 2600 && d <= 3600) stopped = 1
    else if (music && (d < -150 || d > 150)) print "a jump of " d " ms at " $2 " ms"
    music = 1; expect = $4 - $2 }
  END {
    if (!music) print "no music in the recording"
    if (!paused) print "no pause of 2 s or more in the recording"
    if (!stopped) print "no jump of 3 s after the stop"
  }' "$work/story" >"$work/sound-faults"
while read -r fault; do fail "sound: $fault"; done <"$work/sound-faults"
finish
